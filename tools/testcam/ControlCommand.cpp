#include "ControlCommand.h"

#include "DeviceControl.h"

namespace testcam {

namespace {

struct ActionName {
    const wchar_t* name;
    ControlAction action;
    bool takesAmount;
};

constexpr ActionName kActions[] = {
    {L"unplug", ControlAction::Unplug, false}, {L"replug", ControlAction::Replug, false},
    {L"abort", ControlAction::Abort, false},   {L"stall", ControlAction::Stall, true},
    {L"mark", ControlAction::Mark, true},      {L"counts", ControlAction::Counts, false},
};

// A whole decimal number from 0 to kMaxControlAmount, or -1.
int ParseNumber(const std::wstring& text) {
    if (text.empty() || text.size() > 7)
        return -1;
    int value = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9')
            return -1;
        value = value * 10 + (c - L'0');
    }
    return value <= kMaxControlAmount ? value : -1;
}

} // namespace

const char kControlUsage[] =
    "usage: testcamctl.exe COMMAND N [AMOUNT]\n"
    "  N is the device: 1 or 2 (Test Pattern Camera 1 or 2), 3 (Test Tone Microphone),\n"
    "  4 (Test Capture Card), 5 (Test HD Camera)\n"
    "  unplug N      device N is gone (EC_DEVICE_LOST, no frames, does not open) until\n"
    "                the replug, whatever programs come and go meanwhile\n"
    "  replug N      device N is back\n"
    "  abort N       device N's stream fails (EC_ERRORABORT)\n"
    "  stall N MS    device N holds its next frame back MS milliseconds (1-600000)\n"
    "  mark N S      camera N shows its mark for S seconds (1-600000)\n"
    "  counts N      prints \"dropped D delivered F\" of device N's latest stream\n"
    "exit code: 0 a device heard it, 1 no device exists now (an unplug or replug\n"
    "holds all the same), 2 bad arguments\n";

std::optional<ControlCommand> ParseControlCommand(const std::vector<std::wstring>& arguments) {
    if (arguments.size() < 2)
        return std::nullopt;
    for (const ActionName& entry : kActions) {
        if (arguments[0] != entry.name)
            continue;
        if (arguments.size() != (entry.takesAmount ? 3u : 2u))
            return std::nullopt;
        const int device = ParseNumber(arguments[1]);
        if (device < 1 || device > kCameraCount)
            return std::nullopt;
        const int amount = entry.takesAmount ? ParseNumber(arguments[2]) : 0;
        if (entry.takesAmount && amount < 1)
            return std::nullopt;
        return ControlCommand{entry.action, device, amount};
    }
    return std::nullopt;
}

} // namespace testcam
