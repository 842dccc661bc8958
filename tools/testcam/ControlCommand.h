// The control tool's command line (testcamctl.exe): what to do to which test device.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace testcam {

enum class ControlAction { Unplug, Replug, Abort, Stall, Mark, Counts };

struct ControlCommand {
    ControlAction action;
    int device; // 1 or 2 (the pattern cameras), 3 (the microphone), 4 or 5 (card, HD)
    int amount; // stall: milliseconds; mark: seconds; otherwise 0
    bool operator==(const ControlCommand&) const = default;
};

// The largest stall (milliseconds) or mark (seconds) the tool accepts.
inline constexpr int kMaxControlAmount = 600000;

// The command named by the arguments after the program name, or nothing when they are
// not exactly one command with its device number (and its amount for stall and mark).
std::optional<ControlCommand> ParseControlCommand(const std::vector<std::wstring>& arguments);

// What the tool prints when its arguments are wrong.
extern const char kControlUsage[];

} // namespace testcam
