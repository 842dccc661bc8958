// The command frames of the Samsung SHC-721 and SHC-730 cameras and the line settings
// each model talks on. Pure functions: the camera window builds a frame here and writes
// it to its port unchanged.
#pragma once

#include "serial/SerialTypes.h"

#include <cstdint>
#include <optional>
#include <string>

namespace tb {

// The camera's on-screen menu keys.
enum class TCameraCommand { ccSet, ccUp, ccDown, ccLeft, ccRight };

// The models the window knows, by their `CamModell` number.
constexpr std::int32_t kCamModel721 = 721;
constexpr std::int32_t kCamModel730 = 730;

bool IsKnownCamModel(std::int32_t model);

// The bytes of one command for a model: AA EE <key code> CC 55 for the SHC-721, the
// single command byte for the SHC-730, nothing for any other model.
std::string CommandFrame(std::int32_t model, TCameraCommand command);

// The SHC-721 key code: 0x1F with the command's bit cleared.
std::uint8_t Shc721KeyCode(TCameraCommand command);
// The SHC-730 command byte ("A".."D" for the directions, 0x99 for Set).
std::uint8_t Shc730Code(TCameraCommand command);

// The line speed and handshake a model expects; none for an unknown model.
struct TCameraLine {
    TBaudRate baudRate;
    TFlowControl flowControl;
    bool operator==(const TCameraLine&) const = default;
};
std::optional<TCameraLine> CameraLine(std::int32_t model);

// The command a released key stands for (Enter and Space: Set; the arrow keys: their
// direction); none for any other key.
std::optional<TCameraCommand> CommandForKey(unsigned virtualKey);

// The label text of a selected model: "CamModell: SHC" followed by the number.
std::wstring CamModelLabel(std::int32_t model);

} // namespace tb
