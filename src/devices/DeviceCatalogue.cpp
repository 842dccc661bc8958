#include "devices/DeviceCatalogue.h"

#include "devices/NameDeduplication.h"
#include "media/ComHelpers.h"

#include <dshow.h>
#include <oleauto.h>

#include <algorithm>
#include <stdexcept>

namespace tb {

using Microsoft::WRL::ComPtr;

namespace {

IMediaPlatform& RequirePlatform(const std::shared_ptr<IMediaPlatform>& platform) {
    if (!platform)
        throw std::invalid_argument("the device catalogue needs a media platform");
    return *platform;
}

// A VARIANT cleared on every path.
class TVariant {
public:
    TVariant() { ::VariantInit(&value_); }
    ~TVariant() { ::VariantClear(&value_); }
    TVariant(const TVariant&) = delete;
    TVariant& operator=(const TVariant&) = delete;
    VARIANT* Put() { return &value_; }
    const VARIANT& Get() const { return value_; }

private:
    VARIANT value_;
};

// The device's "FriendlyName", or the empty name when the bag cannot give it as text.
std::wstring ReadFriendlyName(IPropertyBag& bag) {
    TVariant name;
    name.Put()->vt = VT_BSTR;
    if (FAILED(bag.Read(L"FriendlyName", name.Put(), nullptr)))
        return {};
    if (name.Get().vt != VT_BSTR || name.Get().bstrVal == nullptr)
        return {};
    return std::wstring(name.Get().bstrVal, ::SysStringLen(name.Get().bstrVal));
}

bool InRange(int index, std::size_t count) {
    return index >= 0 && static_cast<std::size_t>(index) < count;
}

} // namespace

REFCLSID CategoryClassId(TDeviceCategory category) {
    switch (category) {
    case TDeviceCategory::VideoDevice:
        return CLSID_VideoInputDeviceCategory;
    case TDeviceCategory::AudioDevice:
        return CLSID_AudioInputDeviceCategory;
    case TDeviceCategory::VideoCompressor:
        return CLSID_VideoCompressorCategory;
    case TDeviceCategory::AudioCompressor:
        break;
    }
    return CLSID_AudioCompressorCategory;
}

TDevices::TLibraryScope::TLibraryScope(IMediaPlatform& platform)
    : platform_(platform), initialized_(SUCCEEDED(platform.Initialize())) {}

TDevices::TLibraryScope::~TLibraryScope() {
    // A failed initialisation (a thread already in another apartment mode) took no
    // count of the library, so there is nothing to give back.
    if (initialized_)
        platform_.Uninitialize();
}

TDevices::TDevices(std::shared_ptr<IMediaPlatform> platform)
    : platform_(std::move(platform)), library_(RequirePlatform(platform_)) {
    EnumerateAll();
}

TDevices::~TDevices() {
    for (auto& list : lists_)
        list.clear();
}

void TDevices::EnumerateAll() {
    if (List(kVideo).empty()) {
        EnumerateCategory(kVideo, List(kVideo));
        videoDeviceUsers_.assign(List(kVideo).size(), nullptr);
    }
    for (const auto category : {kAudio, kVideoCodec, kAudioCodec}) {
        if (List(category).empty())
            EnumerateCategory(category, List(category));
    }
}

HRESULT TDevices::ListCategory(TDeviceCategory category, ComPtr<IEnumMoniker>& monikers) const {
    monikers.Reset();
    ComPtr<ICreateDevEnum> deviceEnumerator;
    const HRESULT created = platform_->Create(CLSID_SystemDeviceEnum, deviceEnumerator);
    if (FAILED(created) || !deviceEnumerator)
        return FAILED(created) ? created : E_NOINTERFACE;
    const HRESULT listed = deviceEnumerator->CreateClassEnumerator(CategoryClassId(category),
                                                                   monikers.GetAddressOf(), 0);
    if (listed == S_OK && !monikers)
        return E_POINTER;
    if (listed != S_OK)
        monikers.Reset();
    return listed;
}

void TDevices::EnumerateCategory(TDeviceCategory category, TList& list) {
    list.clear();
    TCategoryNaming naming;

    ComPtr<IEnumMoniker> monikers;
    if (ListCategory(category, monikers) != S_OK)
        return;

    for (;;) {
        ComPtr<IMoniker> moniker;
        ULONG fetched = 0;
        if (monikers->Next(1, moniker.GetAddressOf(), &fetched) != S_OK)
            break;
        // An enumerator that claims success without handing anything out would never
        // end: stop there. An empty slot among real ones is only skipped.
        if (!moniker) {
            if (fetched == 0)
                break;
            continue;
        }
        ComPtr<IPropertyBag> bag;
        if (FAILED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag,
                                          reinterpret_cast<void**>(bag.GetAddressOf()))) ||
            !bag)
            continue;
        const auto name = naming.Admit(ReadFriendlyName(*bag.Get()));
        if (name.has_value())
            list.emplace_back(name.value(), std::move(moniker));
    }
}

const TDevices::TList& TDevices::List(TDeviceCategory category) const {
    return lists_[static_cast<std::size_t>(category)];
}

TDevices::TList& TDevices::List(TDeviceCategory category) {
    return lists_[static_cast<std::size_t>(category)];
}

int TDevices::Count(TDeviceCategory category) const {
    return static_cast<int>(List(category).size());
}

std::vector<std::wstring> TDevices::Names(TDeviceCategory category) const {
    std::vector<std::wstring> names;
    names.reserve(List(category).size());
    for (const auto& entry : List(category))
        names.push_back(entry.Name());
    return names;
}

ComPtr<IMoniker> TDevices::ByName(TDeviceCategory category, std::wstring_view name) const {
    for (const auto& entry : List(category)) {
        if (entry.Name() == name)
            return entry.Moniker();
    }
    return nullptr;
}

ComPtr<IMoniker> TDevices::ByIndex(TDeviceCategory category, int index) const {
    const auto& list = List(category);
    if (!InRange(index, list.size()))
        return nullptr;
    return list[static_cast<std::size_t>(index)].Moniker();
}

int TDevices::IndexOf(TDeviceCategory category, const IMoniker* moniker) const {
    if (moniker == nullptr)
        return -1;
    const auto& list = List(category);
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (list[i].Moniker() == moniker)
            return static_cast<int>(i);
    }
    return -1;
}

std::wstring TDevices::NameOf(TDeviceCategory category, const IMoniker* moniker) const {
    const int index = IndexOf(category, moniker);
    if (index < 0)
        return {};
    return List(category)[static_cast<std::size_t>(index)].Name();
}

bool TDevices::StillPresent(TDeviceCategory category, IMoniker* moniker) const {
    if (moniker == nullptr)
        return false;
    const auto displayName = [this](IMoniker& device) -> std::wstring {
        TTaskMemory<wchar_t> text(*platform_);
        ComPtr<IBindCtx> context;
        if (FAILED(::CreateBindCtx(0, context.GetAddressOf())) ||
            FAILED(device.GetDisplayName(context.Get(), nullptr, text.Put())) || !text)
            return {};
        return text.Get();
    };
    const std::wstring wanted = displayName(*moniker);
    if (wanted.empty())
        return true;

    ComPtr<IEnumMoniker> monikers;
    const HRESULT listed = ListCategory(category, monikers);
    if (listed == S_FALSE)
        return false; // the category is empty now
    if (listed != S_OK)
        return true;
    for (;;) {
        ComPtr<IMoniker> listedDevice;
        ULONG fetched = 0;
        const HRESULT next = monikers->Next(1, listedDevice.GetAddressOf(), &fetched);
        if (next == S_FALSE)
            return false; // the whole list was read
        if (next != S_OK || fetched == 0)
            return true; // a list that broke off says nothing about the device
        if (listedDevice && displayName(*listedDevice.Get()) == wanted)
            return true;
    }
}

void TDevices::SetVideoDeviceUser(int index, TDeviceUser user) {
    if (InRange(index, videoDeviceUsers_.size()))
        videoDeviceUsers_[static_cast<std::size_t>(index)] = user;
}

void TDevices::ClearVideoDeviceUser(TDeviceUser user) {
    for (auto& slot : videoDeviceUsers_) {
        if (slot == user)
            slot = nullptr;
    }
}

TDeviceUser TDevices::VideoDeviceUser(int index) const {
    if (!InRange(index, videoDeviceUsers_.size()))
        return nullptr;
    return videoDeviceUsers_[static_cast<std::size_t>(index)];
}

} // namespace tb
