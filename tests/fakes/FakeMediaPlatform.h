// A media platform of fakes: CreateInstance hands out the object registered for the
// class (or a scripted failure); Initialize, Uninitialize and TaskMemFree are logged
// as "Platform.Initialize()" and so on.
#pragma once

#include "media/MediaPlatform.h"
#include "fakes/FakeCom.h"

#include <functional>
#include <memory>
#include <vector>

namespace tbfake {

class FakeMediaPlatform final : public tb::IMediaPlatform {
public:
    explicit FakeMediaPlatform(std::shared_ptr<TCallLog> log = MakeLog());

    // Every CreateInstance of the class answers this one object.
    void Register(REFCLSID classId, ComPtr<IUnknown> object);
    template <typename T>
    void Register(REFCLSID classId, const ComPtr<T>& object) {
        Register(classId, AsUnknown(object));
    }
    // Every CreateInstance of the class makes a fresh object.
    void RegisterFactory(REFCLSID classId, std::function<ComPtr<IUnknown>()> factory);
    // Drops every registered object and factory.
    void Clear() { classes_.clear(); }

    TScript& Script() { return script_; }
    TCallLog& Log() { return *log_; }
    const std::shared_ptr<TCallLog>& SharedLog() const { return log_; }
    int InitializeCount() const { return initialized_; }
    int UninitializeCount() const { return uninitialized_; }

    // Results: scripted per method ("CreateInstance(FilterGraph)" or "CreateInstance");
    // Initialize defaults to S_OK; an unregistered class gives REGDB_E_CLASSNOTREG.
    HRESULT Initialize() override;
    void Uninitialize() override;
    HRESULT CreateInstance(REFCLSID classId, REFIID interfaceId, void** object) override;
    void TaskMemFree(void* block) override;

private:
    struct TClass {
        CLSID id;
        std::function<ComPtr<IUnknown>()> factory;
    };
    HRESULT Call(const wchar_t* method, const std::wstring& arguments, HRESULT fallback);

    std::shared_ptr<TCallLog> log_;
    TScript script_;
    std::vector<TClass> classes_;
    int initialized_ = 0;
    int uninitialized_ = 0;
};

} // namespace tbfake
