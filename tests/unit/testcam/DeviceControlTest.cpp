// The shared control block through which tests unplug, abort and stall cameras, and the
// control tool's command line.
#include <gtest/gtest.h>

#include "ControlCommand.h"
#include "DeviceControl.h"

#include <optional>
#include <string>
#include <vector>

using namespace testcam;

TEST(DeviceControl, InstancesShareOneBlock) {
    DeviceControl camera;
    DeviceControl tester;
    ASSERT_TRUE(camera.Valid());
    EXPECT_TRUE(tester.Existed());

    tester.SetUnplugged(2, true);
    EXPECT_TRUE(camera.Unplugged(2));
    EXPECT_FALSE(camera.Unplugged(1));
    tester.SetUnplugged(2, false);
    EXPECT_FALSE(camera.Unplugged(2));

    const LONG aborts = camera.AbortRequests(1);
    tester.RequestAbort(1);
    EXPECT_EQ(camera.AbortRequests(1), aborts + 1);

    tester.Stall(1, 250);
    EXPECT_EQ(camera.TakeStall(1), 250);
    EXPECT_EQ(camera.TakeStall(1), 0); // taken once

    tester.SetMarked(2, true);
    EXPECT_TRUE(camera.Marked(2));
    EXPECT_FALSE(camera.Marked(1));
    tester.SetMarked(2, false);
    const LONG otherCamera = tester.Delivered(2);
    camera.PublishCounts(1, 3, 90);
    EXPECT_EQ(tester.Dropped(1), 3);
    EXPECT_EQ(tester.Delivered(1), 90);
    EXPECT_EQ(tester.Delivered(2), otherCamera);
}

// A device stays unplugged once every holder of the block is gone (the block then goes
// too): a camera made later starts unplugged, until a replug.
TEST(DeviceControl, AnUnplugLastsUntilTheReplug) {
    DeviceControl{}.SetUnplugged(4, true);
    {
        DeviceControl camera;
        EXPECT_TRUE(camera.Unplugged(4));
        EXPECT_FALSE(camera.Unplugged(5));
        camera.SetUnplugged(4, false);
    }
    EXPECT_FALSE(DeviceControl{}.Unplugged(4));
}

TEST(DeviceControl, CameraNumbersOutsideTheRangeAreIgnored) {
    DeviceControl control;
    for (int camera : {0, kCameraCount + 1, -1}) {
        control.SetUnplugged(camera, true);
        control.RequestAbort(camera);
        control.Stall(camera, 100);
        EXPECT_FALSE(control.Unplugged(camera));
        EXPECT_EQ(control.AbortRequests(camera), 0);
        EXPECT_EQ(control.TakeStall(camera), 0);
    }
}

// The control tool's command line: exactly one command, a device number and, for stall
// and mark, an amount; anything else is refused (the tool then prints its usage).
TEST(ControlCommand, ParsesOnlyWholeCommands) {
    using A = ControlAction;
    struct Case {
        std::vector<std::wstring> arguments;
        std::optional<ControlCommand> expected;
    };
    const Case cases[] = {
        {{L"unplug", L"1"}, ControlCommand{A::Unplug, 1, 0}},
        {{L"replug", L"2"}, ControlCommand{A::Replug, 2, 0}},
        {{L"abort", L"3"}, ControlCommand{A::Abort, 3, 0}},
        {{L"stall", L"1", L"500"}, ControlCommand{A::Stall, 1, 500}},
        {{L"mark", L"2", L"600000"}, ControlCommand{A::Mark, 2, 600000}},
        {{L"counts", L"1"}, ControlCommand{A::Counts, 1, 0}},
        {{}, std::nullopt},
        {{L"unplug"}, std::nullopt},
        {{L"stall", L"1"}, std::nullopt},
        {{L"stall", L"1", L"0"}, std::nullopt},
        {{L"stall", L"1", L"x"}, std::nullopt},
        {{L"stall", L"1", L"600001"}, std::nullopt},
        {{L"mark", L"2", L"-5"}, std::nullopt},
        {{L"unplug", L"1", L"500"}, std::nullopt},
        {{L"unplug", L"0"}, std::nullopt},
        {{L"replug", L"5"}, ControlCommand{A::Replug, 5, 0}},
        {{L"unplug", L"6"}, std::nullopt},
        {{L"unplug", L"1x"}, std::nullopt},
        {{L"unplug", L""}, std::nullopt},
        {{L"Unplug", L"1"}, std::nullopt},
        {{L"--help"}, std::nullopt},
    };
    for (const Case& c : cases) {
        std::wstring line;
        for (const std::wstring& argument : c.arguments)
            line += argument + L' ';
        EXPECT_EQ(ParseControlCommand(c.arguments), c.expected) << testing::PrintToString(line);
    }
    EXPECT_NE(std::string(kControlUsage).find("stall N MS"), std::string::npos);
}
