#include "PatternPage.h"

#include "Guids.h"
#include "PropertyPageBase.h"

#include <wrl/client.h>

using Microsoft::WRL::ComPtr;

namespace testcam {

namespace {

constexpr int kBlockBox = 101;
constexpr int kCounterBox = 102;

class PatternPage final : public PropertyPageBase {
public:
    PatternPage() : PropertyPageBase(L"TestPatternCameraPage", L"Pattern", SIZE{260, 110}) {}

    HRESULT STDMETHODCALLTYPE SetObjects(ULONG count, IUnknown** objects) override {
        settings_.Reset();
        if (count == 0)
            return S_OK;
        if (objects == nullptr || objects[0] == nullptr)
            return E_POINTER;
        const HRESULT hr = objects[0]->QueryInterface(
            kIidTestPatternSettings, reinterpret_cast<void**>(settings_.GetAddressOf()));
        if (FAILED(hr))
            return E_NOINTERFACE;
        settings_->GetOptions(&options_);
        settings_->GetCameraNumber(&camera_);
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE Apply() override {
        if (!settings_)
            return E_UNEXPECTED;
        if (!Dirty())
            return S_OK;
        const HRESULT hr = settings_->SetOptions(&options_);
        if (SUCCEEDED(hr))
            SetClean();
        return hr;
    }

private:
    void CreateControls(HWND) override {
        // The device's own name, as the video input category lists it.
        const wchar_t* name = DeviceFriendlyName(camera_);
        AddControl(0, L"STATIC", name != nullptr ? name : L"", 0, 10, 10, 230, 18);
        block_ = AddControl(0, L"BUTTON", L"Moving square", WS_TABSTOP | BS_AUTOCHECKBOX, 10, 36,
                            230, 20, kBlockBox);
        counter_ = AddControl(0, L"BUTTON", L"Frame counter", WS_TABSTOP | BS_AUTOCHECKBOX, 10, 62,
                              230, 20, kCounterBox);
        ::SendMessageW(block_, BM_SETCHECK, options_.movingBlock ? BST_CHECKED : BST_UNCHECKED, 0);
        ::SendMessageW(counter_, BM_SETCHECK, options_.frameCounter ? BST_CHECKED : BST_UNCHECKED,
                       0);
    }

    void ControlsDestroyed() override { block_ = counter_ = nullptr; }

    void Command(int id, int code) override {
        if (code != BN_CLICKED)
            return;
        if (id == kBlockBox)
            options_.movingBlock = ::SendMessageW(block_, BM_GETCHECK, 0, 0) == BST_CHECKED;
        else if (id == kCounterBox)
            options_.frameCounter = ::SendMessageW(counter_, BM_GETCHECK, 0, 0) == BST_CHECKED;
        else
            return;
        MarkDirty();
    }

    ComPtr<ITestPatternSettings> settings_;
    PatternOptions options_;
    int camera_ = 1;
    HWND block_ = nullptr;
    HWND counter_ = nullptr;
};

} // namespace

HRESULT CreatePatternPage(REFIID riid, void** object) {
    return CreatePropertyPage<PatternPage>(riid, object);
}

} // namespace testcam
