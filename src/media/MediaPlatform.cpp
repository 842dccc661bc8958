#include "media/MediaPlatform.h"

#include "media/FileSink.h"

namespace tb {

HRESULT TComMediaPlatform::Initialize() {
    return ::CoInitialize(nullptr);
}

void TComMediaPlatform::Uninitialize() {
    ::CoUninitialize();
}

HRESULT TComMediaPlatform::CreateInstance(REFCLSID classId, REFIID interfaceId, void** object) {
    // The program's own file sink is made in place: it is registered nowhere.
    if (classId == kClsidFileSink)
        return CreateFileSink(interfaceId, object);
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
