// The camera command frames, line settings and key table.
#include "camera/CameraProtocol.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <optional>
#include <string>

using namespace tb;

namespace {

std::string Bytes(std::initializer_list<unsigned> values) {
    std::string bytes;
    for (unsigned value : values)
        bytes += static_cast<char>(value);
    return bytes;
}

} // namespace

TEST(CameraProtocolTest, FramesPerModelAndCommand) {
    const struct {
        std::int32_t model;
        TCameraCommand command;
        std::string frame;
    } cases[] = {
        {721, TCameraCommand::ccUp, Bytes({0xAA, 0xEE, 0x1E, 0xCC, 0x55})},
        {721, TCameraCommand::ccDown, Bytes({0xAA, 0xEE, 0x1D, 0xCC, 0x55})},
        {721, TCameraCommand::ccLeft, Bytes({0xAA, 0xEE, 0x1B, 0xCC, 0x55})},
        {721, TCameraCommand::ccRight, Bytes({0xAA, 0xEE, 0x17, 0xCC, 0x55})},
        {721, TCameraCommand::ccSet, Bytes({0xAA, 0xEE, 0x0F, 0xCC, 0x55})},
        {730, TCameraCommand::ccUp, "A"},
        {730, TCameraCommand::ccDown, "B"},
        {730, TCameraCommand::ccRight, "C"},
        {730, TCameraCommand::ccLeft, "D"},
        {730, TCameraCommand::ccSet, Bytes({0x99})},
        // Any other model: nothing is sent.
        {0, TCameraCommand::ccUp, ""},
        {720, TCameraCommand::ccSet, ""},
        {999, TCameraCommand::ccLeft, ""},
        {-721, TCameraCommand::ccDown, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CommandFrame(c.model, c.command), c.frame)
            << c.model << " command " << static_cast<int>(c.command);
}

TEST(CameraProtocolTest, Shc721KeyCodesClearExactlyOneBitOf0x1F) {
    const TCameraCommand commands[] = {TCameraCommand::ccUp, TCameraCommand::ccDown,
                                       TCameraCommand::ccLeft, TCameraCommand::ccRight,
                                       TCameraCommand::ccSet};
    unsigned seen = 0;
    for (TCameraCommand command : commands) {
        const unsigned cleared = 0x1Fu ^ Shc721KeyCode(command);
        EXPECT_EQ(Shc721KeyCode(command) & ~0x1Fu, 0u);
        ASSERT_NE(cleared, 0u);
        EXPECT_EQ(cleared & (cleared - 1), 0u) << "more than one bit cleared";
        seen |= cleared;
    }
    EXPECT_EQ(seen, 0x1Fu) << "each command clears its own bit";
}

TEST(CameraProtocolTest, LineSettingsPerModel) {
    EXPECT_EQ(CameraLine(721), (TCameraLine{br19200, fcNone}));
    EXPECT_EQ(CameraLine(730), (TCameraLine{br9600, fcXonXoff}));
    EXPECT_FALSE(CameraLine(999).has_value());
    EXPECT_FALSE(CameraLine(0).has_value());
    EXPECT_TRUE(IsKnownCamModel(721));
    EXPECT_TRUE(IsKnownCamModel(730));
    EXPECT_FALSE(IsKnownCamModel(731));
}

TEST(CameraProtocolTest, KeyTable) {
    const struct {
        unsigned key;
        std::optional<TCameraCommand> command;
    } cases[] = {
        {13, TCameraCommand::ccSet},
        {32, TCameraCommand::ccSet},
        {37, TCameraCommand::ccLeft},
        {38, TCameraCommand::ccUp},
        {39, TCameraCommand::ccRight},
        {40, TCameraCommand::ccDown},
        {0, std::nullopt},
        {16, std::nullopt} /* Shift */,
        {36, std::nullopt},
        {41, std::nullopt},
        {'A', std::nullopt},
        {0x26 + 0x100, std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CommandForKey(c.key), c.command) << c.key;
}

TEST(CameraProtocolTest, ModelLabel) {
    EXPECT_EQ(CamModelLabel(721), L"CamModell: SHC721");
    EXPECT_EQ(CamModelLabel(730), L"CamModell: SHC730");
}
