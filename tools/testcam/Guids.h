// Class and interface identifiers of the test camera's COM server, and its own
// settings interface (used by its property page).
#pragma once

#include <windows.h>
#include <unknwn.h>

#include "Pattern.h"

namespace testcam {

// {6B8E5D20-3C1A-4F7B-9E42-1A2B3C4D5E61} "Test Pattern Camera", camera 1
constexpr GUID kClsidCamera1 = {
    0x6B8E5D20, 0x3C1A, 0x4F7B, {0x9E, 0x42, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E, 0x61}};
// {6B8E5D20-3C1A-4F7B-9E42-1A2B3C4D5E62} "Test Pattern Camera", camera 2
constexpr GUID kClsidCamera2 = {
    0x6B8E5D20, 0x3C1A, 0x4F7B, {0x9E, 0x42, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E, 0x62}};
// {6B8E5D20-3C1A-4F7B-9E42-1A2B3C4D5E63} "Test Tone Microphone", device 3
constexpr GUID kClsidMicrophone = {
    0x6B8E5D20, 0x3C1A, 0x4F7B, {0x9E, 0x42, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E, 0x63}};
// {6B8E5D20-3C1A-4F7B-9E42-1A2B3C4D5E64} "Test Capture Card", device 4 (scales)
constexpr GUID kClsidCaptureCard = {
    0x6B8E5D20, 0x3C1A, 0x4F7B, {0x9E, 0x42, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E, 0x64}};
// {6B8E5D20-3C1A-4F7B-9E42-1A2B3C4D5E65} "Test HD Camera", device 5
constexpr GUID kClsidHdCamera = {
    0x6B8E5D20, 0x3C1A, 0x4F7B, {0x9E, 0x42, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E, 0x65}};
// {6B8E5D20-3C1A-4F7B-9E42-1A2B3C4D5E70} the "Pattern" property page
constexpr GUID kClsidPatternPage = {
    0x6B8E5D20, 0x3C1A, 0x4F7B, {0x9E, 0x42, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E, 0x70}};
// {6B8E5D20-3C1A-4F7B-9E42-1A2B3C4D5E71} the "Format" property page of the capture pin
constexpr GUID kClsidFormatPage = {
    0x6B8E5D20, 0x3C1A, 0x4F7B, {0x9E, 0x42, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E, 0x71}};
// {6B8E5D20-3C1A-4F7B-9E42-1A2B3C4D5E80} ITestPatternSettings
constexpr GUID kIidTestPatternSettings = {
    0x6B8E5D20, 0x3C1A, 0x4F7B, {0x9E, 0x42, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E, 0x80}};

inline constexpr wchar_t kCameraName[] = L"Test Pattern Camera";
inline constexpr wchar_t kMicrophoneName[] = L"Test Tone Microphone";
inline constexpr int kMicrophoneDevice = 3;
inline constexpr wchar_t kCaptureCardName[] = L"Test Capture Card";
inline constexpr int kCaptureCardDevice = 4;
inline constexpr wchar_t kHdCameraName[] = L"Test HD Camera";
inline constexpr int kHdCameraDevice = 5;
// The friendly name device `device` is listed under in its device category (both
// pattern cameras carry the same one); null for a number that is no device.
constexpr const wchar_t* DeviceFriendlyName(int device) {
    switch (device) {
    case 1:
    case 2:
        return kCameraName;
    case kMicrophoneDevice:
        return kMicrophoneName;
    case kCaptureCardDevice:
        return kCaptureCardName;
    case kHdCameraDevice:
        return kHdCameraName;
    default:
        return nullptr;
    }
}
inline constexpr wchar_t kPageName[] = L"Test Pattern Camera Pattern Page";
inline constexpr wchar_t kFormatPageName[] = L"Test Pattern Camera Format Page";

// The pattern settings of one camera instance.
struct ITestPatternSettings : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetOptions(PatternOptions* options) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetOptions(const PatternOptions* options) = 0;
    // The device number: 1 or 2, the two pattern cameras; 3, the microphone; 4, the
    // capture card; 5, the HD camera.
    virtual HRESULT STDMETHODCALLTYPE GetCameraNumber(int* number) = 0;
};

} // namespace testcam
