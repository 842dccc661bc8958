#include "capture/CaptureTypes.h"

#include "capture/MediaIds.h"

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

} // namespace tb
