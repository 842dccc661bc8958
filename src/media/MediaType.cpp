#include "media/MediaType.h"

namespace tb {

void FreeMediaType(IMediaPlatform& platform, AM_MEDIA_TYPE& type) {
    if (type.cbFormat != 0)
        platform.TaskMemFree(type.pbFormat);
    type.cbFormat = 0;
    type.pbFormat = nullptr;
    if (type.pUnk != nullptr) {
        type.pUnk->Release();
        type.pUnk = nullptr;
    }
}

void DeleteMediaType(IMediaPlatform& platform, AM_MEDIA_TYPE* type) {
    if (type == nullptr)
        return;
    FreeMediaType(platform, *type);
    platform.TaskMemFree(type);
}

} // namespace tb
