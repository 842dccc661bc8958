// The identifiers the capture control uses: the ones the project adds must equal the
// platform's published values (linked from strmiids).
#include "capture/CaptureTypes.h"
#include "media/MediaIds.h"
#include "framework/Panel.h"

#include <gtest/gtest.h>

// Exported by the platform's identifier library without a declaration in its headers.
EXTERN_C const CLSID CLSID_SampleGrabber;
EXTERN_C const CLSID CLSID_NullRenderer;

using namespace tb;

TEST(PlatformIds, InterfaceIdentifiersAddedForTheToolchainMatchThePlatform) {
    struct Case {
        const char* name;
        GUID ours;
        GUID platform;
    };
    const Case cases[] = {
        {"IVideoWindow", __uuidof(IVideoWindow), IID_IVideoWindow},
        {"IMediaEventEx", __uuidof(IMediaEventEx), IID_IMediaEventEx},
        {"IAMVfwCompressDialogs", __uuidof(IAMVfwCompressDialogs), IID_IAMVfwCompressDialogs},
        {"IAMTVAudio", __uuidof(IAMTVAudio), IID_IAMTVAudio},
        {"IIPDVDec", __uuidof(IIPDVDec), IID_IIPDVDec},
        {"ISampleGrabber", __uuidof(ISampleGrabber), IID_ISampleGrabber},
        {"ISampleGrabberCB", __uuidof(ISampleGrabberCB), IID_ISampleGrabberCB},
        {"SampleGrabber", kClsidSampleGrabber, CLSID_SampleGrabber},
        {"NullRenderer", kClsidNullRenderer, CLSID_NullRenderer},
    };
    for (const Case& c : cases)
        EXPECT_TRUE(IsEqualGUID(c.ours, c.platform)) << c.name;
}

TEST(PlatformIds, ConstantsHaveThePlatformValues) {
    EXPECT_EQ(kEcErrorAbort, EC_ERRORABORT);
    EXPECT_EQ(kEcDeviceLost, EC_DEVICE_LOST);
    EXPECT_EQ(kDvResolutionFull, DVRESOLUTION_FULL);
    EXPECT_EQ(kDvResolutionHalf, DVRESOLUTION_HALF);
    EXPECT_EQ(kDvResolutionQuarter, DVRESOLUTION_QUARTER);
    EXPECT_EQ(kDvResolutionDc, DVRESOLUTION_DC);
    EXPECT_EQ(kVfwCaptureDialogSource, VfwCaptureDialog_Source);
    EXPECT_EQ(kVfwCaptureDialogFormat, VfwCaptureDialog_Format);
    EXPECT_EQ(kVfwCaptureDialogDisplay, VfwCaptureDialog_Display);
    EXPECT_EQ(kVfwCompressDialogConfig, VfwCompressDialog_Config);
    EXPECT_EQ(kVfwCompressDialogQueryConfig, VfwCompressDialog_QueryConfig);
    EXPECT_EQ(static_cast<unsigned long>(kVideoWindowStyle), 0x44000000ul);
    EXPECT_EQ(static_cast<unsigned long>(kVideoWindowSizingStyle), 0x44040000ul);
}

TEST(PlatformIds, DVResolutionCodes) {
    const std::pair<TDVResolution, int> cases[] = {
        {TDVResolution::dvrDontWorry, 0}, {TDVResolution::dvrFull, 1000},
        {TDVResolution::dvrHalf, 1001},   {TDVResolution::dvrQuater, 1002},
        {TDVResolution::dvrDC, 1003},
    };
    for (const auto& [resolution, code] : cases)
        EXPECT_EQ(DVResolutionCode(resolution), code);
}
