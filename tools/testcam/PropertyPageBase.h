// What the camera's property pages share: the COM object, the page window inside the
// property frame, the page information, showing, moving, the dirty state and the page
// site. A page adds its controls, the objects it edits and what Apply writes.
#pragma once

#include <windows.h>
#include <olectl.h>
#include <wrl/client.h>

#include <atomic>
#include <new>

namespace testcam {

class PropertyPageBase : public IPropertyPage {
public:
    // windowClass: a class name of the page's own; title: the tab's caption.
    PropertyPageBase(const wchar_t* windowClass, const wchar_t* title, SIZE size);
    virtual ~PropertyPageBase();
    PropertyPageBase(const PropertyPageBase&) = delete;
    PropertyPageBase& operator=(const PropertyPageBase&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE SetPageSite(IPropertyPageSite* site) override;
    HRESULT STDMETHODCALLTYPE Activate(HWND parent, LPCRECT rect, BOOL modal) override;
    HRESULT STDMETHODCALLTYPE Deactivate() override;
    HRESULT STDMETHODCALLTYPE GetPageInfo(PROPPAGEINFO* info) override;
    HRESULT STDMETHODCALLTYPE Show(UINT command) override;
    HRESULT STDMETHODCALLTYPE Move(LPCRECT rect) override;
    HRESULT STDMETHODCALLTYPE IsPageDirty() override;
    HRESULT STDMETHODCALLTYPE Help(LPCOLESTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(MSG*) override { return S_FALSE; }

protected:
    // Creates the page's controls as children of `window`.
    virtual void CreateControls(HWND window) = 0;
    // The page window is gone: forget the controls' handles.
    virtual void ControlsDestroyed() = 0;
    // A WM_COMMAND notification of one of the controls.
    virtual void Command(int id, int code) = 0;

    // A child control with the page's font.
    HWND AddControl(DWORD exStyle, const wchar_t* className, const wchar_t* text, DWORD style,
                    int x, int y, int width, int height, int id = 0);
    bool Dirty() const { return dirty_; }
    void SetClean() { dirty_ = false; }
    // The user changed something: the frame enables its Apply button.
    void MarkDirty();

private:
    bool RegisterWindowClass() const;
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    const wchar_t* windowClass_;
    const wchar_t* title_;
    SIZE size_;
    std::atomic<ULONG> refs_{1};
    Microsoft::WRL::ComPtr<IPropertyPageSite> site_;
    bool dirty_ = false;
    HWND window_ = nullptr;
};

// Creates a page object of type Page and hands out the asked-for interface.
template <typename Page>
HRESULT CreatePropertyPage(REFIID riid, void** object) {
    if (object == nullptr)
        return E_POINTER;
    *object = nullptr;
    auto* page = new (std::nothrow) Page();
    if (page == nullptr)
        return E_OUTOFMEMORY;
    const HRESULT hr = page->QueryInterface(riid, object);
    page->Release();
    return hr;
}

} // namespace testcam
