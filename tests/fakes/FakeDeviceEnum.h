// Fakes of the system device enumerator: property bags with a "FriendlyName",
// monikers that bind to their bag and to a filter, moniker enumerators per category,
// and the enumerator (ICreateDevEnum) that hands them out.
#pragma once

#include "fakes/FakeCom.h"

#include <dshow.h>
#include <ocidl.h>

#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace tbfake {

// A property bag. Read logs "Bag(name).Read(Property)" and answers a BSTR, or
// E_INVALIDARG for a property it does not hold; ReadAsNumber makes a property read back
// as a VT_I4 instead.
class FakePropertyBag final : public TFakeObject, public IPropertyBag {
public:
    FakePropertyBag(std::wstring name, std::shared_ptr<TCallLog> log);
    TBFAKE_IUNKNOWN
    void Set(const std::wstring& property, std::wstring value) { values_[property] = value; }
    void ReadAsNumber(const std::wstring& property) { numbers_[property] = true; }

    HRESULT STDMETHODCALLTYPE Read(LPCOLESTR property, VARIANT* value, IErrorLog* errors) override;
    HRESULT STDMETHODCALLTYPE Write(LPCOLESTR property, VARIANT* value) override;

private:
    void* Interface(REFIID interfaceId) override;
    std::map<std::wstring, std::wstring> values_;
    std::map<std::wstring, bool> numbers_;
};

// A device moniker, logged as "Moniker(name)". BindToStorage hands out its bag (none
// when the bag was taken away), BindToObject the filter given to it (E_FAIL without),
// GetDisplayName "@device:fake:name".
class FakeMoniker final : public TFakeObject, public IMoniker {
public:
    FakeMoniker(std::wstring name, std::shared_ptr<TCallLog> log);
    TBFAKE_IUNKNOWN
    ComPtr<FakePropertyBag> Bag() const { return bag_; }
    void SetBag(ComPtr<FakePropertyBag> bag) { bag_ = std::move(bag); }
    void SetFilter(ComPtr<IUnknown> filter) { filter_ = std::move(filter); }

    // IPersist, IPersistStream
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* classId) override;
    HRESULT STDMETHODCALLTYPE IsDirty() override;
    HRESULT STDMETHODCALLTYPE Load(IStream* stream) override;
    HRESULT STDMETHODCALLTYPE Save(IStream* stream, BOOL clearDirty) override;
    HRESULT STDMETHODCALLTYPE GetSizeMax(ULARGE_INTEGER* size) override;
    // IMoniker
    HRESULT STDMETHODCALLTYPE BindToObject(IBindCtx* context, IMoniker* left, REFIID interfaceId,
                                           void** object) override;
    HRESULT STDMETHODCALLTYPE BindToStorage(IBindCtx* context, IMoniker* left, REFIID interfaceId,
                                            void** object) override;
    HRESULT STDMETHODCALLTYPE Reduce(IBindCtx*, DWORD, IMoniker**, IMoniker**) override;
    HRESULT STDMETHODCALLTYPE ComposeWith(IMoniker*, BOOL, IMoniker**) override;
    HRESULT STDMETHODCALLTYPE Enum(BOOL, IEnumMoniker**) override;
    HRESULT STDMETHODCALLTYPE IsEqual(IMoniker* other) override;
    HRESULT STDMETHODCALLTYPE Hash(DWORD*) override;
    HRESULT STDMETHODCALLTYPE IsRunning(IBindCtx*, IMoniker*, IMoniker*) override;
    HRESULT STDMETHODCALLTYPE GetTimeOfLastChange(IBindCtx*, IMoniker*, FILETIME*) override;
    HRESULT STDMETHODCALLTYPE Inverse(IMoniker**) override;
    HRESULT STDMETHODCALLTYPE CommonPrefixWith(IMoniker*, IMoniker**) override;
    HRESULT STDMETHODCALLTYPE RelativePathTo(IMoniker*, IMoniker**) override;
    HRESULT STDMETHODCALLTYPE GetDisplayName(IBindCtx*, IMoniker*, LPOLESTR*) override;
    HRESULT STDMETHODCALLTYPE ParseDisplayName(IBindCtx*, IMoniker*, LPOLESTR, ULONG*,
                                               IMoniker**) override;
    HRESULT STDMETHODCALLTYPE IsSystemMoniker(DWORD*) override;

private:
    void* Interface(REFIID interfaceId) override;
    ComPtr<FakePropertyBag> bag_;
    ComPtr<IUnknown> filter_;
};

// A moniker with a bag whose "FriendlyName" is the given text (the usual device).
ComPtr<FakeMoniker> MakeDevice(const std::wstring& friendlyName,
                               const std::shared_ptr<TCallLog>& log);

// Enumerates a list of monikers. Next logs "Enum(name).Next(1)"; a scripted failure is
// returned as it stands (with nothing handed out), so a test can end a run part-way.
class FakeMonikerEnum final : public TFakeObject, public IEnumMoniker {
public:
    FakeMonikerEnum(std::wstring name, std::shared_ptr<TCallLog> log);
    TBFAKE_IUNKNOWN
    void Add(ComPtr<IMoniker> moniker) { monikers_.push_back(std::move(moniker)); }
    // Hands out an empty slot with S_OK at this position (a misbehaving enumerator).
    void AddEmpty() { monikers_.push_back(nullptr); }
    // The device is no longer listed (unplugged).
    void Remove(IMoniker* moniker) {
        std::erase_if(monikers_, [moniker](const auto& held) { return held.Get() == moniker; });
    }
    void Rewind() { position_ = 0; }
    // From now on Next answers S_OK without handing anything out (a broken enumerator).
    void BreakAtEnd() { broken_ = true; }

    HRESULT STDMETHODCALLTYPE Next(ULONG count, IMoniker** monikers, ULONG* fetched) override;
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override;
    HRESULT STDMETHODCALLTYPE Reset() override;
    HRESULT STDMETHODCALLTYPE Clone(IEnumMoniker** copy) override;

private:
    void* Interface(REFIID interfaceId) override;
    std::vector<ComPtr<IMoniker>> monikers_;
    std::size_t position_ = 0;
    bool broken_ = false;
};

// The system device enumerator, logged as "DevEnum". CreateClassEnumerator logs the
// category's name; it hands out the category's enumerator (reset) when the result is
// S_OK, and S_FALSE with none for a category without one.
class FakeDeviceEnumerator final : public TFakeObject, public ICreateDevEnum {
public:
    explicit FakeDeviceEnumerator(std::shared_ptr<TCallLog> log);
    TBFAKE_IUNKNOWN
    // The enumerator of the category, created on first use.
    ComPtr<FakeMonikerEnum> Category(REFCLSID category);
    // Adds a device with this friendly name to the category and returns its moniker.
    ComPtr<FakeMoniker> AddDevice(REFCLSID category, const std::wstring& friendlyName);

    HRESULT STDMETHODCALLTYPE CreateClassEnumerator(REFCLSID category, IEnumMoniker** enumerator,
                                                    DWORD flags) override;

private:
    void* Interface(REFIID interfaceId) override;
    std::vector<std::pair<CLSID, ComPtr<FakeMonikerEnum>>> categories_;
};

} // namespace tbfake
