// Plain types shared by the capture control's concerns: the DV decoding size, the
// record of one video mode, and one entry of the list of available device dialogs.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace tb {

enum class TDVResolution { dvrDontWorry, dvrFull, dvrHalf, dvrQuater, dvrDC };

// Why a capture to a file ended.
enum class TCaptureEnd {
    None,        // no capture has ended yet
    Stopped,     // StopCapture, or the control took its graph apart
    TimeLimit,   // UseTimeLimit and TimeLimitSec
    SizeLimit,   // the file reached the largest size the platform's writer can address
    DiskSpace,   // the file reached the free space of its disk
    WriteFailed, // the disk refused a write
    DeviceLost,  // the video device went away
    Aborted      // the graph reported an error
};

// The display code handed to the DV decoder: 0 for dvrDontWorry, else 1000..1003.
int DVResolutionCode(TDVResolution resolution);

// One video mode. Producers clear the whole record before filling it.
struct VideoFormat {
    GUID MajorType{};
    GUID Subtype{};
    GUID FormatType{};
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    std::uint16_t BitCount = 0;
    double FrameRate = 0;
};

// True when two records name the same mode: type, size, depth and a rate within a
// hundredth of a frame per second (rates come back from the device rounded).
bool SameVideoMode(const VideoFormat& a, const VideoFormat& b);

// A device dialog the current graph offers: its menu caption and its kind (0..13).
struct TAvailableDialog {
    std::wstring Caption;
    int Kind = 0;
};

} // namespace tb
