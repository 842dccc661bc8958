#include "FormatPage.h"

#include "Guids.h"
#include "MediaTypes.h"
#include "Module.h"

#include <windows.h>
#include <dshow.h>
#include <wrl/client.h>

#include <atomic>
#include <cstring>
#include <new>

using Microsoft::WRL::ComPtr;

namespace testcam {

namespace {

constexpr wchar_t kWindowClass[] = L"TestPatternCameraFormatPage";
constexpr int kModeList = 201;
constexpr SIZE kPageSize = {260, 200};

class FormatPage final : public IPropertyPage {
public:
    FormatPage() { ObjectCreated(); }
    ~FormatPage() {
        if (window_ != nullptr)
            ::DestroyWindow(window_);
        ObjectDestroyed();
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (object == nullptr)
            return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IPropertyPage) {
            *object = static_cast<IPropertyPage*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --refs_;
        if (left == 0)
            delete this;
        return left;
    }

    HRESULT STDMETHODCALLTYPE SetPageSite(IPropertyPageSite* site) override {
        site_ = site;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE Activate(HWND parent, LPCRECT rect, BOOL) override {
        if (rect == nullptr)
            return E_POINTER;
        if (!RegisterWindowClass())
            return HRESULT_FROM_WIN32(::GetLastError());
        window_ =
            ::CreateWindowExW(WS_EX_CONTROLPARENT, kWindowClass, L"", WS_CHILD | WS_CLIPCHILDREN,
                              rect->left, rect->top, rect->right - rect->left,
                              rect->bottom - rect->top, parent, nullptr, ModuleHandle(), this);
        if (window_ == nullptr)
            return HRESULT_FROM_WIN32(::GetLastError());
        list_ = ::CreateWindowExW(WS_EX_CLIENTEDGE, L"LISTBOX", L"",
                                  WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY, 10,
                                  10, 240, 180, window_, reinterpret_cast<HMENU>(kModeList),
                                  ModuleHandle(), nullptr);
        ::SendMessageW(list_, WM_SETFONT,
                       reinterpret_cast<WPARAM>(::GetStockObject(DEFAULT_GUI_FONT)), FALSE);
        for (const VideoMode& mode : OfferedModes())
            ::SendMessageW(list_, LB_ADDSTRING, 0,
                           reinterpret_cast<LPARAM>(ModeLabel(mode).c_str()));
        ::SendMessageW(list_, LB_SETCURSEL, static_cast<WPARAM>(selected_), 0);
        dirty_ = false;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE Deactivate() override {
        if (window_ != nullptr)
            ::DestroyWindow(window_);
        window_ = list_ = nullptr;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE GetPageInfo(PROPPAGEINFO* info) override {
        if (info == nullptr)
            return E_POINTER;
        static constexpr wchar_t kTitle[] = L"Format";
        info->cb = sizeof(PROPPAGEINFO);
        info->pszTitle = static_cast<LPOLESTR>(::CoTaskMemAlloc(sizeof(kTitle)));
        if (info->pszTitle == nullptr)
            return E_OUTOFMEMORY;
        std::memcpy(info->pszTitle, kTitle, sizeof(kTitle));
        info->size = kPageSize;
        info->pszDocString = nullptr;
        info->pszHelpFile = nullptr;
        info->dwHelpContext = 0;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE SetObjects(ULONG count, IUnknown** objects) override {
        config_.Reset();
        if (count == 0)
            return S_OK;
        if (objects == nullptr || objects[0] == nullptr)
            return E_POINTER;
        if (FAILED(objects[0]->QueryInterface(IID_IAMStreamConfig,
                                              reinterpret_cast<void**>(config_.GetAddressOf()))))
            return E_NOINTERFACE;
        selected_ = 0;
        AM_MEDIA_TYPE* type = nullptr;
        if (SUCCEEDED(config_->GetFormat(&type)) && type != nullptr) {
            if (const std::optional<VideoMode> mode = ModeFromMediaType(*type, FrameRate{}))
                selected_ = ModeIndex(*mode);
            DeleteTaskMemMediaType(type);
        }
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE Show(UINT command) override {
        if (window_ != nullptr)
            ::ShowWindow(window_, static_cast<int>(command));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Move(LPCRECT rect) override {
        if (rect == nullptr)
            return E_POINTER;
        if (window_ != nullptr)
            ::MoveWindow(window_, rect->left, rect->top, rect->right - rect->left,
                         rect->bottom - rect->top, TRUE);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE IsPageDirty() override { return dirty_ ? S_OK : S_FALSE; }

    HRESULT STDMETHODCALLTYPE Apply() override {
        if (!config_)
            return E_UNEXPECTED;
        if (!dirty_)
            return S_OK;
        const std::span<const VideoMode> modes = OfferedModes();
        if (selected_ < 0 || static_cast<size_t>(selected_) >= modes.size())
            return E_UNEXPECTED;
        MediaType type = MakeMediaType(modes[static_cast<size_t>(selected_)]);
        if (!type.Valid())
            return E_OUTOFMEMORY;
        // A running device refuses (VFW_E_NOT_STOPPED): the page stays dirty.
        const HRESULT hr = config_->SetFormat(&type.Get());
        if (SUCCEEDED(hr))
            dirty_ = false;
        return hr;
    }

    HRESULT STDMETHODCALLTYPE Help(LPCOLESTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(MSG*) override { return S_FALSE; }

private:
    static bool RegisterWindowClass() {
        WNDCLASSW existing{};
        if (::GetClassInfoW(ModuleHandle(), kWindowClass, &existing))
            return true;
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = &FormatPage::WindowProc;
        windowClass.hInstance = ModuleHandle();
        windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        windowClass.lpszClassName = kWindowClass;
        return ::RegisterClassW(&windowClass) != 0;
    }

    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_NCCREATE) {
            const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
            ::SetWindowLongPtrW(window, GWLP_USERDATA,
                                reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        }
        auto* page = reinterpret_cast<FormatPage*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
        if (page != nullptr && message == WM_COMMAND && LOWORD(wParam) == kModeList &&
            HIWORD(wParam) == LBN_SELCHANGE) {
            page->OnSelected();
            return 0;
        }
        return ::DefWindowProcW(window, message, wParam, lParam);
    }

    void OnSelected() {
        const LRESULT index = ::SendMessageW(list_, LB_GETCURSEL, 0, 0);
        if (index == LB_ERR || index == selected_)
            return;
        selected_ = static_cast<int>(index);
        dirty_ = true;
        if (site_)
            site_->OnStatusChange(PROPPAGESTATUS_DIRTY);
    }

    std::atomic<ULONG> refs_{1};
    ComPtr<IPropertyPageSite> site_;
    ComPtr<IAMStreamConfig> config_;
    int selected_ = 0;
    bool dirty_ = false;
    HWND window_ = nullptr;
    HWND list_ = nullptr;
};

} // namespace

HRESULT CreateFormatPage(REFIID riid, void** object) {
    if (object == nullptr)
        return E_POINTER;
    *object = nullptr;
    auto* page = new (std::nothrow) FormatPage();
    if (page == nullptr)
        return E_OUTOFMEMORY;
    const HRESULT hr = page->QueryInterface(riid, object);
    page->Release();
    return hr;
}

} // namespace testcam
