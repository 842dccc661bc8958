#include "camera/CameraProtocol.h"

namespace tb {

namespace {

// The SHC-721 frame around the key code.
constexpr std::uint8_t kShc721Lead[] = {0xAA, 0xEE};
constexpr std::uint8_t kShc721Tail[] = {0xCC, 0x55};

} // namespace

bool IsKnownCamModel(std::int32_t model) {
    return model == kCamModel721 || model == kCamModel730;
}

std::uint8_t Shc721KeyCode(TCameraCommand command) {
    unsigned bit = 0;
    switch (command) {
    case TCameraCommand::ccUp:
        bit = 0;
        break;
    case TCameraCommand::ccDown:
        bit = 1;
        break;
    case TCameraCommand::ccLeft:
        bit = 2;
        break;
    case TCameraCommand::ccRight:
        bit = 3;
        break;
    case TCameraCommand::ccSet:
        bit = 4;
        break;
    }
    return static_cast<std::uint8_t>(0x1Fu & ~(1u << bit));
}

std::uint8_t Shc730Code(TCameraCommand command) {
    switch (command) {
    case TCameraCommand::ccUp:
        return 'A';
    case TCameraCommand::ccDown:
        return 'B';
    case TCameraCommand::ccRight:
        return 'C';
    case TCameraCommand::ccLeft:
        return 'D';
    case TCameraCommand::ccSet:
        break;
    }
    return 0x99;
}

std::string CommandFrame(std::int32_t model, TCameraCommand command) {
    std::string frame;
    if (model == kCamModel721) {
        for (std::uint8_t byte : kShc721Lead)
            frame += static_cast<char>(byte);
        frame += static_cast<char>(Shc721KeyCode(command));
        for (std::uint8_t byte : kShc721Tail)
            frame += static_cast<char>(byte);
    } else if (model == kCamModel730) {
        frame += static_cast<char>(Shc730Code(command));
    }
    return frame;
}

std::optional<TCameraLine> CameraLine(std::int32_t model) {
    if (model == kCamModel721)
        return TCameraLine{br19200, fcNone};
    if (model == kCamModel730)
        return TCameraLine{br9600, fcXonXoff};
    return std::nullopt;
}

std::optional<TCameraCommand> CommandForKey(unsigned virtualKey) {
    switch (virtualKey) {
    case 13: // Enter
    case 32: // Space
        return TCameraCommand::ccSet;
    case 37:
        return TCameraCommand::ccLeft;
    case 38:
        return TCameraCommand::ccUp;
    case 39:
        return TCameraCommand::ccRight;
    case 40:
        return TCameraCommand::ccDown;
    default:
        return std::nullopt;
    }
}

std::wstring CamModelLabel(std::int32_t model) {
    return L"CamModell: SHC" + std::to_wstring(model);
}

} // namespace tb
