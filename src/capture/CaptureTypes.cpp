#include "capture/CaptureTypes.h"

#include "media/MediaIds.h"

#include <cmath>

namespace tb {

int DVResolutionCode(TDVResolution resolution) {
    switch (resolution) {
    case TDVResolution::dvrFull:
        return kDvResolutionFull;
    case TDVResolution::dvrHalf:
        return kDvResolutionHalf;
    case TDVResolution::dvrQuater:
        return kDvResolutionQuarter;
    case TDVResolution::dvrDC:
        return kDvResolutionDc;
    case TDVResolution::dvrDontWorry:
        break;
    }
    return 0;
}

bool SameVideoMode(const VideoFormat& a, const VideoFormat& b) {
    return a.MajorType == b.MajorType && a.Subtype == b.Subtype && a.FormatType == b.FormatType &&
           a.Width == b.Width && a.Height == b.Height && a.BitCount == b.BitCount &&
           std::fabs(a.FrameRate - b.FrameRate) < 0.01;
}

} // namespace tb
