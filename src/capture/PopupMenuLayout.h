// The capture control's right-button menu as plain data: the device dialogs by kind and
// their captions, the dialogs a graph offers, and the menu's items in order, computed
// from plain inputs so that the control only turns them into menu items.
#pragma once

#include "capture/CaptureTypes.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tb {

// Device dialog kinds (bit k of the availability set stands for kind k).
enum TDialogKind : int {
    dkVideoFormat = 0,
    dkVideoSource = 1,
    dkVideoDisplay = 2,
    dkVideoDecoder = 3,
    dkCrossbar = 4,
    dkTVTuner = 5,
    dkAudioDecoder = 6,
    dkAudioCrossbar = 7,
    dkTVAudio = 8,
    dkVideoStreamFormat = 9,
    dkVideoPreview = 10,
    dkAudioFormat = 11,
    dkVideoCompressor = 12,
    dkAudioCompressor = 13,
    kDialogKindCount = 14
};

// Menu item tags: "Clear capture", the first dialog position, "Devices and Compressors".
// Tags 0..99 are video device indexes.
constexpr int kTagClearCapture = -1;
constexpr int kTagFirstDialog = 100;
constexpr int kTagDevicesDialog = 200;

constexpr wchar_t kClearCaptureCaption[] = L"Clear capture";
constexpr wchar_t kDevicesDialogCaption[] = L"Devices and Compressors";
constexpr wchar_t kSeparatorCaption[] = L"-";

// The menu caption of a dialog kind; empty outside 0..13.
std::wstring DialogCaption(int kind);

// The bit of one kind in the availability set; none for kinds outside 0..15.
bool DialogAvailable(std::uint16_t availability, int kind);

// One entry per available kind, kinds in increasing order.
std::vector<TAvailableDialog> AvailableDialogsOf(std::uint16_t availability);

struct TPopupMenuEntry {
    std::wstring Caption;
    int Tag = 0;
    bool Checked = false;
    bool Enabled = true;

    bool operator==(const TPopupMenuEntry&) const = default;
};

struct TPopupMenuInput {
    bool VideoDevicesList = false; // PopupVideoDevicesList
    bool DevicesDialog = false;    // PopupDevicesDialog
    std::vector<std::wstring> VideoDeviceNames;
    std::vector<bool> VideoDeviceInUse; // some control is recorded as the device's user
    int CurrentVideoDevice = -1;
    std::uint16_t Availability = 0;
};

// The menu: the device section ("Clear capture" and the devices), a separator,
// "Devices and Compressors" with its separator, the available dialogs except
// "Video Preview" (whose position still counts in the tags after it). A separator stands
// only between two items: never first, last or twice in a row.
std::vector<TPopupMenuEntry> PopupMenuEntries(const TPopupMenuInput& input);

} // namespace tb
