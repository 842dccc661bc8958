#include "fakes/FakeMediaPlatform.h"

#include "fakes/GuidNames.h"

#include <memory>

namespace tbfake {

FakeMediaPlatform::FakeMediaPlatform(std::shared_ptr<TCallLog> log)
    : log_(log ? std::move(log) : MakeLog()) {}

void FakeMediaPlatform::Register(REFCLSID classId, ComPtr<IUnknown> object) {
    RegisterFactory(classId, [object]() { return object; });
}

void FakeMediaPlatform::RegisterFactory(REFCLSID classId,
                                        std::function<ComPtr<IUnknown>()> factory) {
    for (auto& known : classes_) {
        if (known.id == classId) {
            known.factory = std::move(factory);
            return;
        }
    }
    classes_.push_back({classId, std::move(factory)});
}

HRESULT FakeMediaPlatform::Call(const wchar_t* method, const std::wstring& arguments,
                                HRESULT fallback) {
    log_->Add(std::wstring(L"Platform.") + method + L"(" + arguments + L")");
    return script_.Next(method, arguments, fallback);
}

HRESULT FakeMediaPlatform::Initialize() {
    ++initialized_;
    return Call(L"Initialize", {}, S_OK);
}

void FakeMediaPlatform::Uninitialize() {
    ++uninitialized_;
    Call(L"Uninitialize", {}, S_OK);
}

HRESULT FakeMediaPlatform::CreateInstance(REFCLSID classId, REFIID interfaceId, void** object) {
    if (object == nullptr)
        return E_POINTER;
    *object = nullptr;
    const TClass* known = nullptr;
    for (const auto& candidate : classes_) {
        if (candidate.id == classId)
            known = &candidate;
    }
    const HRESULT result =
        Call(L"CreateInstance", GuidName(classId), known != nullptr ? S_OK : REGDB_E_CLASSNOTREG);
    if (FAILED(result) || known == nullptr)
        return FAILED(result) ? result : REGDB_E_CLASSNOTREG;
    const ComPtr<IUnknown> instance = known->factory();
    if (!instance)
        return E_OUTOFMEMORY;
    const HRESULT query = instance->QueryInterface(interfaceId, object);
    return FAILED(query) ? query : result;
}

void FakeMediaPlatform::TaskMemFree(void* block) {
    Call(L"TaskMemFree", block != nullptr ? L"block" : L"null", S_OK);
    ::CoTaskMemFree(block);
}

} // namespace tbfake
