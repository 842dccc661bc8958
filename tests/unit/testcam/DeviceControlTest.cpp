// The shared control block through which tests unplug, abort and stall cameras.
#include <gtest/gtest.h>

#include "DeviceControl.h"

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
