#include "media/MediaPlatform.h"

namespace tb {

HRESULT TComMediaPlatform::Initialize() {
    return ::CoInitialize(nullptr);
}

void TComMediaPlatform::Uninitialize() {
    ::CoUninitialize();
}

HRESULT TComMediaPlatform::CreateInstance(REFCLSID classId, REFIID interfaceId, void** object) {
    return ::CoCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER, interfaceId, object);
}

void TComMediaPlatform::TaskMemFree(void* block) {
    ::CoTaskMemFree(block);
}

std::shared_ptr<IMediaPlatform> DefaultMediaPlatform() {
    static const std::shared_ptr<IMediaPlatform> platform = std::make_shared<TComMediaPlatform>();
    return platform;
}

} // namespace tb
