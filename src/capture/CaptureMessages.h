// The capture control's message texts. "%x" stands for the failing platform result in
// upper-case hexadecimal; texts without it ignore the result.
#pragma once

namespace tb::msg {

constexpr wchar_t kErrorCaption[] = L"DirectShow - Capture";

constexpr wchar_t kCannotRunPreview[] = L"Error %x: Cannot run preview graph!";
constexpr wchar_t kCannotStopPreview[] = L"Error %x: Cannot stop preview graph!";
constexpr wchar_t kCannotStopGraph[] = L"Error %x: Cannot stop graph!";
constexpr wchar_t kCannotRunCapture[] = L"Error %x: Cannot run capture graph!";
constexpr wchar_t kSetMasterStreamFailed[] = L"SetMasterStream failed!";
constexpr wchar_t kCaptureFileNameRequired[] = L"Capture filename required!";
constexpr wchar_t kCannotInstallSampleGrabber[] =
    L"Can't install SampleGrabber. Probably wrong color depth used?";
constexpr wchar_t kGraphCannotPreview[] = L"This graph cannot preview!";
constexpr wchar_t kCannotCreateCaptureGraphBuilder[] =
    L"Can't create capture graph builder - probably DirectShow is not installed!";
constexpr wchar_t kCannotCreateAudioDeviceFilter[] =
    L"Can't create audio device filter - propably the selected audio device doesn't exists.";
constexpr wchar_t kCannotFindVideoStreamConfig[] =
    L"Error %x: Can't find VCapture: IAMStreamConfig!";
constexpr wchar_t kCannotFindAudioStreamConfig[] = L"Can't find ACapture: IAMStreamConfig!";
constexpr wchar_t kCannotCreateGraphBuilder[] =
    L"Can't create graph builder - probably DirectShow is not installed!";
constexpr wchar_t kCannotCreateVideoDeviceFilter[] =
    L"Can't create video device filter - propably the selected video device doesn't exists.";
constexpr wchar_t kCannotSetFilterGraph[] = L"Can't set filter graph!";
constexpr wchar_t kCannotAddVideoCaptureFilter[] =
    L"Error %x: Can't add video capture filter into graph!";
constexpr wchar_t kCannotAddAudioCaptureFilter[] =
    L"Error %x: Can't add audio capture filter into graph!";
constexpr wchar_t kCannotAddDVDecoder[] = L"Can't add DV Decoder!";
constexpr wchar_t kCannotAddDVSplitter[] = L"Can't add DV Splitter!";
constexpr wchar_t kCannotRenderDVStream[] = L"Can't render DV video capture stream!";
constexpr wchar_t kAudioInitError[] = L"Audio Init Error - probably the selected audio device is "
                                      L"used by someone else.  //: can't add InfiniteTee!";
constexpr wchar_t kCannotRenderAudioPreview[] = L"Can't render audio preview stream!";
constexpr wchar_t kCannotSetCaptureFile[] = L"Can't set capture file!";
constexpr wchar_t kCannotRenderVideoCompressor[] = L"Can't render video compress filter!";
constexpr wchar_t kCannotRenderAudioCompressor[] = L"Can't render audio compress filter!";
constexpr wchar_t kCannotRenderPreview[] = L"Can't render preview stream!";
constexpr wchar_t kFullScreenFailed[] = L"Unsucessful setting/desetting for full screen mode.";

} // namespace tb::msg
