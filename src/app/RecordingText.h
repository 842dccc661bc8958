// What the main window tells of a recording: its progress in the window's caption, and
// how and why it ended. Plain functions over plain values.
#pragma once

#include "capture/CaptureTypes.h"

#include <cstdint>
#include <optional>
#include <string>

namespace tb {

// What was recorded, as the capture control counted it. Frames are known only where the
// video source counts them.
struct TRecordingCount {
    std::uint32_t ElapsedMilliseconds = 0;
    std::optional<std::uint32_t> Frames;
    std::uint32_t Dropped = 0;
};

// "m:ss" (and "h:mm:ss" from an hour on) of whole seconds.
std::wstring RecordingClock(std::uint32_t elapsedMilliseconds);

// The caption while recording: "<base> - Recording 0:05, 150 frames, 0 dropped".
std::wstring RecordingCaption(const std::wstring& base, const TRecordingCount& count);

// The report of a recording that ended: why, the file, its length and frames.
std::wstring RecordingEndText(TCaptureEnd reason, const std::wstring& fileName,
                              const TRecordingCount& count);

// A recording that ended for a fault or a limit of the system (the disk, the device, an
// error), not by the user's choice or time limit: told with a warning.
bool RecordingEndWarns(TCaptureEnd reason);

// The folder part of a file name ("" when the name has none).
std::wstring FolderOf(const std::wstring& fileName);

} // namespace tb
