#include "FormatPage.h"

#include "Guids.h"
#include "MediaTypes.h"
#include "PropertyPageBase.h"

#include <windows.h>
#include <dshow.h>
#include <wrl/client.h>

#include <algorithm>
#include <optional>
#include <vector>

using Microsoft::WRL::ComPtr;

namespace testcam {

namespace {

constexpr int kModeList = 201;

class FormatPage final : public PropertyPageBase {
public:
    FormatPage() : PropertyPageBase(L"TestPatternCameraFormatPage", L"Format", SIZE{260, 200}) {}

    HRESULT STDMETHODCALLTYPE SetObjects(ULONG count, IUnknown** objects) override {
        config_.Reset();
        capabilities_.clear();
        name_ = L"";
        if (count == 0)
            return S_OK;
        if (objects == nullptr || objects[0] == nullptr)
            return E_POINTER;
        if (FAILED(objects[0]->QueryInterface(IID_IAMStreamConfig,
                                              reinterpret_cast<void**>(config_.GetAddressOf()))))
            return E_NOINTERFACE;
        ReadCapabilities();
        ReadDeviceName(objects[0]);
        selected_ = 0;
        AM_MEDIA_TYPE* type = nullptr;
        if (SUCCEEDED(config_->GetFormat(&type)) && type != nullptr) {
            if (const std::optional<VideoMode> mode = ModeFromMediaType(*type, FrameRate{}))
                selected_ = std::max(0, CapabilityIndex(capabilities_, *mode));
            DeleteTaskMemMediaType(type);
        }
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE Apply() override {
        if (!config_)
            return E_UNEXPECTED;
        if (!Dirty())
            return S_OK;
        if (selected_ < 0 || static_cast<size_t>(selected_) >= capabilities_.size())
            return E_UNEXPECTED;
        MediaType type = MakeMediaType(capabilities_[static_cast<size_t>(selected_)].mode);
        if (!type.Valid())
            return E_OUTOFMEMORY;
        // A running device refuses (VFW_E_NOT_STOPPED): the page stays dirty.
        const HRESULT hr = config_->SetFormat(&type.Get());
        if (SUCCEEDED(hr))
            SetClean();
        return hr;
    }

private:
    void CreateControls(HWND) override {
        AddControl(0, L"STATIC", name_, 0, 10, 10, 240, 18);
        list_ = AddControl(WS_EX_CLIENTEDGE, L"LISTBOX", L"", WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY,
                           10, 34, 240, 160, kModeList);
        for (const Capability& capability : capabilities_)
            ::SendMessageW(list_, LB_ADDSTRING, 0,
                           reinterpret_cast<LPARAM>(ModeLabel(capability.mode).c_str()));
        ::SendMessageW(list_, LB_SETCURSEL, static_cast<WPARAM>(selected_), 0);
    }

    void ControlsDestroyed() override { list_ = nullptr; }

    void Command(int id, int code) override {
        if (id != kModeList || code != LBN_SELCHANGE)
            return;
        const LRESULT index = ::SendMessageW(list_, LB_GETCURSEL, 0, 0);
        if (index == LB_ERR || index == selected_)
            return;
        selected_ = static_cast<int>(index);
        MarkDirty();
    }

    // The pin's stream capabilities, as any driver's are read: the format handed out with
    // each, and its sizes.
    void ReadCapabilities() {
        int count = 0;
        int size = 0;
        if (FAILED(config_->GetNumberOfCapabilities(&count, &size)) ||
            size != static_cast<int>(sizeof(VIDEO_STREAM_CONFIG_CAPS)))
            return;
        for (int i = 0; i < count; ++i) {
            VIDEO_STREAM_CONFIG_CAPS caps{};
            AM_MEDIA_TYPE* type = nullptr;
            if (config_->GetStreamCaps(i, &type, reinterpret_cast<BYTE*>(&caps)) != S_OK)
                break;
            const std::optional<VideoMode> mode = ModeFromMediaType(*type, FrameRate{});
            DeleteTaskMemMediaType(type);
            if (mode)
                capabilities_.push_back(
                    {*mode,
                     {caps.MinOutputSize.cx, caps.MinOutputSize.cy, caps.MaxOutputSize.cx,
                      caps.MaxOutputSize.cy, caps.OutputGranularityX, caps.OutputGranularityY}});
        }
    }

    // The name of the device whose pin this is, as the video input category lists it.
    void ReadDeviceName(IUnknown* object) {
        ComPtr<IPin> pin;
        PIN_INFO info{};
        if (FAILED(object->QueryInterface(IID_PPV_ARGS(&pin))) || FAILED(pin->QueryPinInfo(&info)))
            return;
        // Takes over the reference QueryPinInfo handed out (mingw's ComPtr::Attach would
        // add one more).
        ComPtr<IBaseFilter> filter;
        *filter.GetAddressOf() = info.pFilter;
        ComPtr<ITestPatternSettings> settings;
        int device = 0;
        if (filter &&
            SUCCEEDED(filter->QueryInterface(kIidTestPatternSettings,
                                             reinterpret_cast<void**>(settings.GetAddressOf()))) &&
            SUCCEEDED(settings->GetCameraNumber(&device)))
            if (const wchar_t* name = DeviceFriendlyName(device))
                name_ = name;
    }

    ComPtr<IAMStreamConfig> config_;
    const wchar_t* name_ = L"";
    std::vector<Capability> capabilities_;
    int selected_ = 0;
    HWND list_ = nullptr;
};

} // namespace

HRESULT CreateFormatPage(REFIID riid, void** object) {
    return CreatePropertyPage<FormatPage>(riid, object);
}

} // namespace testcam
