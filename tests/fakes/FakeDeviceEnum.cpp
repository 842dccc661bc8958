#include "fakes/FakeDeviceEnum.h"

#include "fakes/GuidNames.h"

#include <oleauto.h>

#include <cstring>
#include <memory>

namespace tbfake {

FakePropertyBag::FakePropertyBag(std::wstring name, std::shared_ptr<TCallLog> log)
    : TFakeObject(L"Bag(" + name + L")", std::move(log)) {}

void* FakePropertyBag::Interface(REFIID interfaceId) {
    if (interfaceId == IID_IUnknown || interfaceId == IID_IPropertyBag)
        return static_cast<IPropertyBag*>(this);
    return nullptr;
}

HRESULT FakePropertyBag::Read(LPCOLESTR property, VARIANT* value, IErrorLog*) {
    const std::wstring name = property != nullptr ? property : L"";
    const HRESULT result = Call(L"Read", name);
    if (FAILED(result))
        return result;
    if (value == nullptr)
        return E_POINTER;
    const auto found = values_.find(name);
    if (found == values_.end())
        return E_INVALIDARG;
    if (numbers_.count(name) != 0) {
        value->vt = VT_I4;
        value->lVal = 42;
        return result;
    }
    // The platform's bags answer the type the caller asks for; an empty variant means any.
    value->vt = VT_BSTR;
    value->bstrVal =
        ::SysAllocStringLen(found->second.data(), static_cast<UINT>(found->second.size()));
    return value->bstrVal != nullptr ? result : E_OUTOFMEMORY;
}

HRESULT FakePropertyBag::Write(LPCOLESTR, VARIANT*) {
    return NotImplemented(L"Write");
}

FakeMoniker::FakeMoniker(std::wstring name, std::shared_ptr<TCallLog> log)
    : TFakeObject(L"Moniker(" + name + L")", std::move(log)) {}

void* FakeMoniker::Interface(REFIID interfaceId) {
    if (interfaceId == IID_IUnknown || interfaceId == IID_IMoniker ||
        interfaceId == IID_IPersistStream || interfaceId == IID_IPersist)
        return static_cast<IMoniker*>(this);
    return nullptr;
}

HRESULT FakeMoniker::BindToObject(IBindCtx*, IMoniker*, REFIID interfaceId, void** object) {
    if (object == nullptr)
        return E_POINTER;
    *object = nullptr;
    const HRESULT result = Call(L"BindToObject", GuidName(interfaceId));
    if (FAILED(result))
        return result;
    if (!filter_)
        return E_FAIL;
    return filter_->QueryInterface(interfaceId, object);
}

HRESULT FakeMoniker::BindToStorage(IBindCtx*, IMoniker*, REFIID interfaceId, void** object) {
    if (object == nullptr)
        return E_POINTER;
    *object = nullptr;
    const HRESULT result = Call(L"BindToStorage", GuidName(interfaceId));
    if (FAILED(result) || !bag_)
        return result;
    const HRESULT query = bag_->QueryInterface(interfaceId, object);
    return FAILED(query) ? query : result;
}

HRESULT FakeMoniker::GetClassID(CLSID*) {
    return NotImplemented(L"GetClassID");
}
HRESULT FakeMoniker::IsDirty() {
    return NotImplemented(L"IsDirty");
}
HRESULT FakeMoniker::Load(IStream*) {
    return NotImplemented(L"Load");
}
HRESULT FakeMoniker::Save(IStream*, BOOL) {
    return NotImplemented(L"Save");
}
HRESULT FakeMoniker::GetSizeMax(ULARGE_INTEGER*) {
    return NotImplemented(L"GetSizeMax");
}
HRESULT FakeMoniker::Reduce(IBindCtx*, DWORD, IMoniker**, IMoniker**) {
    return NotImplemented(L"Reduce");
}
HRESULT FakeMoniker::ComposeWith(IMoniker*, BOOL, IMoniker**) {
    return NotImplemented(L"ComposeWith");
}
HRESULT FakeMoniker::Enum(BOOL, IEnumMoniker**) {
    return NotImplemented(L"Enum");
}
HRESULT FakeMoniker::IsEqual(IMoniker* other) {
    const HRESULT result = Call(L"IsEqual");
    if (FAILED(result))
        return result;
    return other == static_cast<IMoniker*>(this) ? S_OK : S_FALSE;
}
HRESULT FakeMoniker::Hash(DWORD*) {
    return NotImplemented(L"Hash");
}
HRESULT FakeMoniker::IsRunning(IBindCtx*, IMoniker*, IMoniker*) {
    return NotImplemented(L"IsRunning");
}
HRESULT FakeMoniker::GetTimeOfLastChange(IBindCtx*, IMoniker*, FILETIME*) {
    return NotImplemented(L"GetTimeOfLastChange");
}
HRESULT FakeMoniker::Inverse(IMoniker**) {
    return NotImplemented(L"Inverse");
}
HRESULT FakeMoniker::CommonPrefixWith(IMoniker*, IMoniker**) {
    return NotImplemented(L"CommonPrefixWith");
}
HRESULT FakeMoniker::RelativePathTo(IMoniker*, IMoniker**) {
    return NotImplemented(L"RelativePathTo");
}
HRESULT FakeMoniker::GetDisplayName(IBindCtx*, IMoniker*, LPOLESTR* displayName) {
    const HRESULT result = Call(L"GetDisplayName");
    if (FAILED(result))
        return result;
    const std::wstring text = L"@device:fake:" + Name();
    const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    *displayName = static_cast<LPOLESTR>(::CoTaskMemAlloc(bytes));
    if (*displayName == nullptr)
        return E_OUTOFMEMORY;
    std::memcpy(*displayName, text.c_str(), bytes);
    return S_OK;
}
HRESULT FakeMoniker::ParseDisplayName(IBindCtx*, IMoniker*, LPOLESTR, ULONG*, IMoniker**) {
    return NotImplemented(L"ParseDisplayName");
}
HRESULT FakeMoniker::IsSystemMoniker(DWORD*) {
    return NotImplemented(L"IsSystemMoniker");
}

ComPtr<FakeMoniker> MakeDevice(const std::wstring& friendlyName,
                               const std::shared_ptr<TCallLog>& log) {
    auto moniker = MakeFake<FakeMoniker>(friendlyName, log);
    auto bag = MakeFake<FakePropertyBag>(friendlyName, log);
    bag->Set(L"FriendlyName", friendlyName);
    moniker->SetBag(bag);
    return moniker;
}

FakeMonikerEnum::FakeMonikerEnum(std::wstring name, std::shared_ptr<TCallLog> log)
    : TFakeObject(L"Enum(" + name + L")", std::move(log)) {}

void* FakeMonikerEnum::Interface(REFIID interfaceId) {
    if (interfaceId == IID_IUnknown || interfaceId == IID_IEnumMoniker)
        return static_cast<IEnumMoniker*>(this);
    return nullptr;
}

HRESULT FakeMonikerEnum::Next(ULONG count, IMoniker** monikers, ULONG* fetched) {
    if (fetched != nullptr)
        *fetched = 0;
    const HRESULT result = Call(L"Next", std::to_wstring(count));
    if (monikers == nullptr)
        return E_POINTER;
    if (result != S_OK)
        return result;
    ULONG handed = 0;
    while (handed < count && position_ < monikers_.size()) {
        const auto& moniker = monikers_[position_++];
        monikers[handed] = moniker.Get();
        if (moniker)
            moniker->AddRef();
        ++handed;
    }
    if (fetched != nullptr)
        *fetched = handed;
    if (broken_ && handed < count) {
        for (ULONG i = handed; i < count; ++i)
            monikers[i] = nullptr;
        return S_OK;
    }
    return handed == count ? S_OK : S_FALSE;
}

HRESULT FakeMonikerEnum::Skip(ULONG count) {
    const HRESULT result = Call(L"Skip", std::to_wstring(count));
    if (result != S_OK)
        return result;
    const std::size_t left = monikers_.size() - position_;
    position_ += count < left ? count : left;
    return count <= left ? S_OK : S_FALSE;
}

HRESULT FakeMonikerEnum::Reset() {
    position_ = 0;
    return Call(L"Reset");
}

HRESULT FakeMonikerEnum::Clone(IEnumMoniker**) {
    return NotImplemented(L"Clone");
}

FakeDeviceEnumerator::FakeDeviceEnumerator(std::shared_ptr<TCallLog> log)
    : TFakeObject(L"DevEnum", std::move(log)) {}

void* FakeDeviceEnumerator::Interface(REFIID interfaceId) {
    if (interfaceId == IID_IUnknown || interfaceId == IID_ICreateDevEnum)
        return static_cast<ICreateDevEnum*>(this);
    return nullptr;
}

ComPtr<FakeMonikerEnum> FakeDeviceEnumerator::Category(REFCLSID category) {
    for (const auto& [id, enumerator] : categories_) {
        if (id == category)
            return enumerator;
    }
    auto enumerator = MakeFake<FakeMonikerEnum>(GuidName(category), SharedLog());
    categories_.emplace_back(category, enumerator);
    return enumerator;
}

ComPtr<FakeMoniker> FakeDeviceEnumerator::AddDevice(REFCLSID category,
                                                    const std::wstring& friendlyName) {
    auto moniker = MakeDevice(friendlyName, SharedLog());
    Category(category)->Add(moniker);
    return moniker;
}

HRESULT FakeDeviceEnumerator::CreateClassEnumerator(REFCLSID category, IEnumMoniker** enumerator,
                                                    DWORD flags) {
    if (enumerator == nullptr)
        return E_POINTER;
    *enumerator = nullptr;
    std::wstring arguments = GuidName(category);
    if (flags != 0)
        arguments += L", " + std::to_wstring(flags);
    const HRESULT result = Call(L"CreateClassEnumerator", arguments);
    if (result != S_OK)
        return result;
    for (const auto& [id, categoryEnum] : categories_) {
        if (id == category) {
            categoryEnum->Rewind();
            *enumerator = categoryEnum.Get();
            categoryEnum->AddRef();
            return S_OK;
        }
    }
    return S_FALSE;
}

} // namespace tbfake
