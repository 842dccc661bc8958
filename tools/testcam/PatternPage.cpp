#include "PatternPage.h"

#include "Guids.h"
#include "Module.h"

#include <wrl/client.h>

#include <atomic>
#include <cstring>
#include <cwchar>
#include <new>
#include <string>

using Microsoft::WRL::ComPtr;

namespace testcam {

namespace {

constexpr wchar_t kWindowClass[] = L"TestPatternCameraPage";
constexpr int kBlockBox = 101;
constexpr int kCounterBox = 102;
constexpr SIZE kPageSize = {260, 110};

class PatternPage final : public IPropertyPage {
public:
    PatternPage() { ObjectCreated(); }
    ~PatternPage() {
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
        const HFONT font = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
        const std::wstring title = L"Test Pattern Camera " + std::to_wstring(camera_);
        HWND label = ::CreateWindowExW(0, L"STATIC", title.c_str(), WS_CHILD | WS_VISIBLE, 10, 10,
                                       230, 18, window_, nullptr, ModuleHandle(), nullptr);
        block_ = ::CreateWindowExW(
            0, L"BUTTON", L"Moving square", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX,
            10, 36, 230, 20, window_, reinterpret_cast<HMENU>(kBlockBox), ModuleHandle(), nullptr);
        counter_ = ::CreateWindowExW(0, L"BUTTON", L"Frame counter",
                                     WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 10, 62,
                                     230, 20, window_, reinterpret_cast<HMENU>(kCounterBox),
                                     ModuleHandle(), nullptr);
        for (HWND control : {label, block_, counter_})
            ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        ::SendMessageW(block_, BM_SETCHECK, options_.movingBlock ? BST_CHECKED : BST_UNCHECKED, 0);
        ::SendMessageW(counter_, BM_SETCHECK, options_.frameCounter ? BST_CHECKED : BST_UNCHECKED,
                       0);
        dirty_ = false;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE Deactivate() override {
        if (window_ != nullptr)
            ::DestroyWindow(window_);
        window_ = block_ = counter_ = nullptr;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE GetPageInfo(PROPPAGEINFO* info) override {
        if (info == nullptr)
            return E_POINTER;
        static constexpr wchar_t kTitle[] = L"Pattern";
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
        if (!settings_)
            return E_UNEXPECTED;
        if (!dirty_)
            return S_OK;
        const HRESULT hr = settings_->SetOptions(&options_);
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
        windowClass.lpfnWndProc = &PatternPage::WindowProc;
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
        auto* page = reinterpret_cast<PatternPage*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
        if (page != nullptr && message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
            page->OnClicked(LOWORD(wParam));
            return 0;
        }
        return ::DefWindowProcW(window, message, wParam, lParam);
    }

    void OnClicked(int id) {
        if (id == kBlockBox)
            options_.movingBlock = ::SendMessageW(block_, BM_GETCHECK, 0, 0) == BST_CHECKED;
        else if (id == kCounterBox)
            options_.frameCounter = ::SendMessageW(counter_, BM_GETCHECK, 0, 0) == BST_CHECKED;
        else
            return;
        dirty_ = true;
        if (site_)
            site_->OnStatusChange(PROPPAGESTATUS_DIRTY);
    }

    std::atomic<ULONG> refs_{1};
    ComPtr<IPropertyPageSite> site_;
    ComPtr<ITestPatternSettings> settings_;
    PatternOptions options_;
    int camera_ = 1;
    bool dirty_ = false;
    HWND window_ = nullptr;
    HWND block_ = nullptr;
    HWND counter_ = nullptr;
};

} // namespace

HRESULT CreatePatternPage(REFIID riid, void** object) {
    if (object == nullptr)
        return E_POINTER;
    *object = nullptr;
    auto* page = new (std::nothrow) PatternPage();
    if (page == nullptr)
        return E_OUTOFMEMORY;
    const HRESULT hr = page->QueryInterface(riid, object);
    page->Release();
    return hr;
}

} // namespace testcam
