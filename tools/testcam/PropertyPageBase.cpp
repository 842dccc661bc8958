#include "PropertyPageBase.h"

#include "Module.h"

#include <cstring>
#include <cwchar>

namespace testcam {

PropertyPageBase::PropertyPageBase(const wchar_t* windowClass, const wchar_t* title, SIZE size)
    : windowClass_(windowClass), title_(title), size_(size) {
    ObjectCreated();
}

PropertyPageBase::~PropertyPageBase() {
    if (window_ != nullptr)
        ::DestroyWindow(window_);
    ObjectDestroyed();
}

HRESULT STDMETHODCALLTYPE PropertyPageBase::QueryInterface(REFIID riid, void** object) {
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

ULONG STDMETHODCALLTYPE PropertyPageBase::AddRef() {
    return ++refs_;
}

ULONG STDMETHODCALLTYPE PropertyPageBase::Release() {
    const ULONG left = --refs_;
    if (left == 0)
        delete this;
    return left;
}

HRESULT STDMETHODCALLTYPE PropertyPageBase::SetPageSite(IPropertyPageSite* site) {
    site_ = site;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE PropertyPageBase::Activate(HWND parent, LPCRECT rect, BOOL) {
    if (rect == nullptr)
        return E_POINTER;
    if (!RegisterWindowClass())
        return HRESULT_FROM_WIN32(::GetLastError());
    window_ = ::CreateWindowExW(WS_EX_CONTROLPARENT, windowClass_, L"", WS_CHILD | WS_CLIPCHILDREN,
                                rect->left, rect->top, rect->right - rect->left,
                                rect->bottom - rect->top, parent, nullptr, ModuleHandle(), this);
    if (window_ == nullptr)
        return HRESULT_FROM_WIN32(::GetLastError());
    CreateControls(window_);
    dirty_ = false;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE PropertyPageBase::Deactivate() {
    if (window_ != nullptr)
        ::DestroyWindow(window_);
    window_ = nullptr;
    ControlsDestroyed();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE PropertyPageBase::GetPageInfo(PROPPAGEINFO* info) {
    if (info == nullptr)
        return E_POINTER;
    const size_t bytes = (std::wcslen(title_) + 1) * sizeof(wchar_t);
    info->cb = sizeof(PROPPAGEINFO);
    info->pszTitle = static_cast<LPOLESTR>(::CoTaskMemAlloc(bytes));
    if (info->pszTitle == nullptr)
        return E_OUTOFMEMORY;
    std::memcpy(info->pszTitle, title_, bytes);
    info->size = size_;
    info->pszDocString = nullptr;
    info->pszHelpFile = nullptr;
    info->dwHelpContext = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE PropertyPageBase::Show(UINT command) {
    if (window_ != nullptr)
        ::ShowWindow(window_, static_cast<int>(command));
    return S_OK;
}

HRESULT STDMETHODCALLTYPE PropertyPageBase::Move(LPCRECT rect) {
    if (rect == nullptr)
        return E_POINTER;
    if (window_ != nullptr)
        ::MoveWindow(window_, rect->left, rect->top, rect->right - rect->left,
                     rect->bottom - rect->top, TRUE);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE PropertyPageBase::IsPageDirty() {
    return dirty_ ? S_OK : S_FALSE;
}

HWND PropertyPageBase::AddControl(DWORD exStyle, const wchar_t* className, const wchar_t* text,
                                  DWORD style, int x, int y, int width, int height, int id) {
    HWND control = ::CreateWindowExW(
        exStyle, className, text, WS_CHILD | WS_VISIBLE | style, x, y, width, height, window_,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ModuleHandle(), nullptr);
    if (control != nullptr)
        ::SendMessageW(control, WM_SETFONT,
                       reinterpret_cast<WPARAM>(::GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    return control;
}

void PropertyPageBase::MarkDirty() {
    dirty_ = true;
    if (site_)
        site_->OnStatusChange(PROPPAGESTATUS_DIRTY);
}

bool PropertyPageBase::RegisterWindowClass() const {
    WNDCLASSW existing{};
    if (::GetClassInfoW(ModuleHandle(), windowClass_, &existing))
        return true;
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = &PropertyPageBase::WindowProc;
    windowClass.hInstance = ModuleHandle();
    windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = windowClass_;
    return ::RegisterClassW(&windowClass) != 0;
}

LRESULT CALLBACK PropertyPageBase::WindowProc(HWND window, UINT message, WPARAM wParam,
                                              LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        ::SetWindowLongPtrW(window, GWLP_USERDATA,
                            reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* page = reinterpret_cast<PropertyPageBase*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (page != nullptr && message == WM_COMMAND && lParam != 0) {
        page->Command(LOWORD(wParam), HIWORD(wParam));
        return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

} // namespace testcam
