// The media platform seam: the component library, object creation (filter graph,
// capture graph builder, filters and the system device enumerator are all created
// through it, the program's own file sink among them) and task-memory release. The capture control
// and the device catalogue receive it from their owner; tests hand in a platform of fake objects.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <wrl/client.h>

#include <memory>

namespace tb {

class IMediaPlatform {
public:
    virtual ~IMediaPlatform() = default;

    // CoInitialize / CoUninitialize of the calling thread.
    virtual HRESULT Initialize() = 0;
    virtual void Uninitialize() = 0;
    // CoCreateInstance, in process, without an outer object.
    virtual HRESULT CreateInstance(REFCLSID classId, REFIID interfaceId, void** object) = 0;
    // CoTaskMemFree.
    virtual void TaskMemFree(void* block) = 0;

    template <typename T>
    HRESULT Create(REFCLSID classId, Microsoft::WRL::ComPtr<T>& object) {
        object.Reset();
        return CreateInstance(classId, __uuidof(T),
                              reinterpret_cast<void**>(object.ReleaseAndGetAddressOf()));
    }
};

// The real platform: the system's component library.
class TComMediaPlatform final : public IMediaPlatform {
public:
    HRESULT Initialize() override;
    void Uninitialize() override;
    HRESULT CreateInstance(REFCLSID classId, REFIID interfaceId, void** object) override;
    void TaskMemFree(void* block) override;
};

// The program's real platform, shared by the catalogue and every capture control.
std::shared_ptr<IMediaPlatform> DefaultMediaPlatform();

} // namespace tb
