// A fake filter graph: IFilterGraph2 (and so IGraphBuilder) with IMediaControl,
// IMediaEventEx and IVideoWindow answered by the same object, logged as "Graph".
// Filters added are held under their names and joined to the graph; graph events are
// queued by the test (RaiseEvent) and posted to the notify window as the platform does.
#pragma once

#include "fakes/FakeCom.h"

#include <dshow.h>

#include <deque>
#include <memory>

namespace tbfake {

class FakeFilterGraph final : public TFakeObject,
                              public IFilterGraph2,
                              public IMediaControl,
                              public IMediaEventEx,
                              public IVideoWindow {
public:
    explicit FakeFilterGraph(std::shared_ptr<TCallLog> log, std::wstring name = L"Graph");
    ~FakeFilterGraph() override;
    TBFAKE_IUNKNOWN

    // What the graph holds and what it was told.
    std::vector<std::wstring> FilterNames() const;
    ComPtr<IBaseFilter> Filter(const std::wstring& name) const;
    OAFilterState GraphState() const { return state_; }
    HWND NotifyWindow() const { return notifyWindow_; }
    long NotifyMessage() const { return notifyMessage_; }
    OAHWND Owner() const { return owner_; }
    OAHWND MessageDrain() const { return drain_; }
    long WindowStyle() const { return style_; }
    long Visible() const { return visible_; }
    long FullScreen() const { return fullScreen_; }
    RECT WindowPosition() const { return position_; }
    // Queues an event and posts the notify message, when a window was set.
    void RaiseEvent(long code, LONG_PTR param1 = 0, LONG_PTR param2 = 0);
    // Events taken with GetEvent whose parameters were not freed yet.
    int UnfreedEvents() const { return unfreed_; }

    // IFilterGraph
    HRESULT STDMETHODCALLTYPE AddFilter(IBaseFilter* filter, LPCWSTR name) override;
    HRESULT STDMETHODCALLTYPE RemoveFilter(IBaseFilter* filter) override;
    HRESULT STDMETHODCALLTYPE EnumFilters(IEnumFilters**) override;
    HRESULT STDMETHODCALLTYPE FindFilterByName(LPCWSTR name, IBaseFilter** filter) override;
    HRESULT STDMETHODCALLTYPE ConnectDirect(IPin*, IPin*, const AM_MEDIA_TYPE*) override;
    HRESULT STDMETHODCALLTYPE Reconnect(IPin*) override;
    HRESULT STDMETHODCALLTYPE Disconnect(IPin* pin) override;
    HRESULT STDMETHODCALLTYPE SetDefaultSyncSource() override;
    // IGraphBuilder
    HRESULT STDMETHODCALLTYPE Connect(IPin*, IPin*) override;
    HRESULT STDMETHODCALLTYPE Render(IPin*) override;
    HRESULT STDMETHODCALLTYPE RenderFile(LPCWSTR, LPCWSTR) override;
    HRESULT STDMETHODCALLTYPE AddSourceFilter(LPCWSTR, LPCWSTR, IBaseFilter**) override;
    HRESULT STDMETHODCALLTYPE SetLogFile(DWORD_PTR) override;
    HRESULT STDMETHODCALLTYPE Abort() override;
    HRESULT STDMETHODCALLTYPE ShouldOperationContinue() override;
    // IFilterGraph2
    HRESULT STDMETHODCALLTYPE AddSourceFilterForMoniker(IMoniker*, IBindCtx*, LPCWSTR,
                                                        IBaseFilter**) override;
    HRESULT STDMETHODCALLTYPE ReconnectEx(IPin*, const AM_MEDIA_TYPE*) override;
    HRESULT STDMETHODCALLTYPE RenderEx(IPin*, DWORD, DWORD*) override;
    // IDispatch (all three automation interfaces)
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) override;
    // IMediaControl
    HRESULT STDMETHODCALLTYPE Run() override;
    HRESULT STDMETHODCALLTYPE Pause() override;
    HRESULT STDMETHODCALLTYPE Stop() override;
    HRESULT STDMETHODCALLTYPE GetState(LONG timeout, OAFilterState* state) override;
    HRESULT STDMETHODCALLTYPE RenderFile(BSTR) override;
    HRESULT STDMETHODCALLTYPE AddSourceFilter(BSTR, IDispatch**) override;
    HRESULT STDMETHODCALLTYPE get_FilterCollection(IDispatch**) override;
    HRESULT STDMETHODCALLTYPE get_RegFilterCollection(IDispatch**) override;
    HRESULT STDMETHODCALLTYPE StopWhenReady() override;
    // IMediaEvent, IMediaEventEx
    HRESULT STDMETHODCALLTYPE GetEventHandle(OAEVENT*) override;
    HRESULT STDMETHODCALLTYPE GetEvent(long* code, LONG_PTR* param1, LONG_PTR* param2,
                                       long timeout) override;
    HRESULT STDMETHODCALLTYPE WaitForCompletion(long, long*) override;
    HRESULT STDMETHODCALLTYPE CancelDefaultHandling(long) override;
    HRESULT STDMETHODCALLTYPE RestoreDefaultHandling(long) override;
    HRESULT STDMETHODCALLTYPE FreeEventParams(long code, LONG_PTR param1, LONG_PTR param2) override;
    HRESULT STDMETHODCALLTYPE SetNotifyWindow(OAHWND window, long message,
                                              LONG_PTR instance) override;
    HRESULT STDMETHODCALLTYPE SetNotifyFlags(long) override;
    HRESULT STDMETHODCALLTYPE GetNotifyFlags(long*) override;
    // IVideoWindow
    HRESULT STDMETHODCALLTYPE put_Caption(BSTR) override;
    HRESULT STDMETHODCALLTYPE get_Caption(BSTR*) override;
    HRESULT STDMETHODCALLTYPE put_WindowStyle(long style) override;
    HRESULT STDMETHODCALLTYPE get_WindowStyle(long* style) override;
    HRESULT STDMETHODCALLTYPE put_WindowStyleEx(long) override;
    HRESULT STDMETHODCALLTYPE get_WindowStyleEx(long*) override;
    HRESULT STDMETHODCALLTYPE put_AutoShow(long) override;
    HRESULT STDMETHODCALLTYPE get_AutoShow(long*) override;
    HRESULT STDMETHODCALLTYPE put_WindowState(long) override;
    HRESULT STDMETHODCALLTYPE get_WindowState(long*) override;
    HRESULT STDMETHODCALLTYPE put_BackgroundPalette(long) override;
    HRESULT STDMETHODCALLTYPE get_BackgroundPalette(long*) override;
    HRESULT STDMETHODCALLTYPE put_Visible(long visible) override;
    HRESULT STDMETHODCALLTYPE get_Visible(long* visible) override;
    HRESULT STDMETHODCALLTYPE put_Left(long) override;
    HRESULT STDMETHODCALLTYPE get_Left(long*) override;
    HRESULT STDMETHODCALLTYPE put_Width(long) override;
    HRESULT STDMETHODCALLTYPE get_Width(long*) override;
    HRESULT STDMETHODCALLTYPE put_Top(long) override;
    HRESULT STDMETHODCALLTYPE get_Top(long*) override;
    HRESULT STDMETHODCALLTYPE put_Height(long) override;
    HRESULT STDMETHODCALLTYPE get_Height(long*) override;
    HRESULT STDMETHODCALLTYPE put_Owner(OAHWND owner) override;
    HRESULT STDMETHODCALLTYPE get_Owner(OAHWND* owner) override;
    HRESULT STDMETHODCALLTYPE put_MessageDrain(OAHWND drain) override;
    HRESULT STDMETHODCALLTYPE get_MessageDrain(OAHWND* drain) override;
    HRESULT STDMETHODCALLTYPE get_BorderColor(long*) override;
    HRESULT STDMETHODCALLTYPE put_BorderColor(long) override;
    HRESULT STDMETHODCALLTYPE get_FullScreenMode(long* mode) override;
    HRESULT STDMETHODCALLTYPE put_FullScreenMode(long mode) override;
    HRESULT STDMETHODCALLTYPE SetWindowForeground(long) override;
    HRESULT STDMETHODCALLTYPE NotifyOwnerMessage(OAHWND, long, LONG_PTR, LONG_PTR) override;
    HRESULT STDMETHODCALLTYPE SetWindowPosition(long left, long top, long width,
                                                long height) override;
    HRESULT STDMETHODCALLTYPE GetWindowPosition(long* left, long* top, long* width,
                                                long* height) override;
    HRESULT STDMETHODCALLTYPE GetMinIdealImageSize(long*, long*) override;
    HRESULT STDMETHODCALLTYPE GetMaxIdealImageSize(long*, long*) override;
    HRESULT STDMETHODCALLTYPE GetRestorePosition(long*, long*, long*, long*) override;
    HRESULT STDMETHODCALLTYPE HideCursor(long) override;
    HRESULT STDMETHODCALLTYPE IsCursorHidden(long*) override;

private:
    struct TMember {
        std::wstring name;
        ComPtr<IBaseFilter> filter;
    };
    struct TEvent {
        long code;
        LONG_PTR param1;
        LONG_PTR param2;
    };
    void* Interface(REFIID interfaceId) override;
    HRESULT MemberRefusal() const;
    HRESULT Get(const wchar_t* method, long value, long* target);

    std::vector<TMember> filters_;
    std::deque<TEvent> events_;
    int unfreed_ = 0;
    OAFilterState state_ = State_Stopped;
    HRESULT runFailure_ = S_OK; // a run that failed in the background
    HWND notifyWindow_ = nullptr;
    long notifyMessage_ = 0;
    LONG_PTR notifyInstance_ = 0;
    OAHWND owner_ = 0;
    OAHWND drain_ = 0;
    long style_ = 0;
    long visible_ = 0;
    long fullScreen_ = 0;
    RECT position_{};
};

} // namespace tbfake
