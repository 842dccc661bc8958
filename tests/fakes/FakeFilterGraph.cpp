#include "fakes/FakeFilterGraph.h"

#include "fakes/FakeFilter.h"
#include "framework/Text.h"

#include <cwchar>
#include <memory>

namespace tbfake {

namespace {

std::wstring Hex(long value) {
    return tb::HexCode(static_cast<std::uint32_t>(value));
}

std::wstring Window(OAHWND window) {
    return window != 0 ? L"window" : L"none";
}

} // namespace

FakeFilterGraph::FakeFilterGraph(std::shared_ptr<TCallLog> log, std::wstring name)
    : TFakeObject(std::move(name), std::move(log)) {}

FakeFilterGraph::~FakeFilterGraph() {
    // The graph's filters leave it with it, as on the platform.
    for (const auto& member : filters_)
        member.filter->JoinFilterGraph(nullptr, nullptr);
}

void* FakeFilterGraph::Interface(REFIID interfaceId) {
    if (interfaceId == IID_IUnknown || interfaceId == IID_IFilterGraph ||
        interfaceId == IID_IGraphBuilder || interfaceId == IID_IFilterGraph2)
        return static_cast<IFilterGraph2*>(this);
    if (interfaceId == IID_IMediaControl)
        return static_cast<IMediaControl*>(this);
    if (interfaceId == IID_IMediaEvent || interfaceId == IID_IMediaEventEx)
        return static_cast<IMediaEventEx*>(this);
    if (interfaceId == IID_IVideoWindow)
        return static_cast<IVideoWindow*>(this);
    return nullptr;
}

std::vector<std::wstring> FakeFilterGraph::FilterNames() const {
    std::vector<std::wstring> names;
    for (const auto& member : filters_)
        names.push_back(member.name);
    return names;
}

ComPtr<IBaseFilter> FakeFilterGraph::Filter(const std::wstring& name) const {
    for (const auto& member : filters_) {
        if (member.name == name)
            return member.filter;
    }
    return nullptr;
}

void FakeFilterGraph::RaiseEvent(long code, LONG_PTR param1, LONG_PTR param2) {
    events_.push_back({code, param1, param2});
    if (notifyWindow_ != nullptr)
        ::PostMessageW(notifyWindow_, static_cast<UINT>(notifyMessage_), 0, notifyInstance_);
}

HRESULT FakeFilterGraph::AddFilter(IBaseFilter* filter, LPCWSTR name) {
    const std::wstring filterName = name != nullptr ? name : L"";
    HRESULT result = Call(L"AddFilter", filterName);
    if (FAILED(result))
        return result;
    if (filter == nullptr)
        return E_POINTER;
    for (const auto& member : filters_) {
        if (member.filter.Get() == filter)
            return VFW_E_DUPLICATE_NAME;
    }
    // As the platform names them: no name gets a made-up unique one (here the filter's
    // own name while it is free) and S_OK; a name already taken (the empty one too) is
    // made unique with a number and answered with VFW_S_DUPLICATE_NAME.
    std::wstring stored = name != nullptr ? filterName : FakeName(filter);
    if (Filter(stored)) {
        if (name != nullptr && result == S_OK)
            result = VFW_S_DUPLICATE_NAME;
        const std::wstring base = stored;
        for (int number = 1; Filter(stored); ++number) {
            wchar_t suffix[16] = {};
            std::swprintf(suffix, 16, L" %04d", number);
            stored = base + suffix;
        }
    }
    filters_.push_back({stored, filter});
    filter->JoinFilterGraph(this, stored.c_str());
    return result;
}

HRESULT FakeFilterGraph::RemoveFilter(IBaseFilter* filter) {
    for (auto member = filters_.begin(); member != filters_.end(); ++member) {
        if (member->filter.Get() == filter) {
            const HRESULT result = Call(L"RemoveFilter", member->name);
            if (FAILED(result))
                return result;
            const ComPtr<IBaseFilter> leaving = member->filter;
            filters_.erase(member);
            leaving->JoinFilterGraph(nullptr, nullptr);
            return result;
        }
    }
    const HRESULT result = Call(L"RemoveFilter", FakeName(filter), VFW_E_NOT_FOUND);
    return result;
}

HRESULT FakeFilterGraph::EnumFilters(IEnumFilters**) {
    return NotImplemented(L"EnumFilters");
}

HRESULT FakeFilterGraph::FindFilterByName(LPCWSTR name, IBaseFilter** filter) {
    if (filter == nullptr)
        return E_POINTER;
    *filter = nullptr;
    const std::wstring wanted = name != nullptr ? name : L"";
    const ComPtr<IBaseFilter> found = Filter(wanted);
    const HRESULT result = Call(L"FindFilterByName", wanted, found ? S_OK : VFW_E_NOT_FOUND);
    if (FAILED(result) || !found)
        return FAILED(result) ? result : VFW_E_NOT_FOUND;
    *filter = found.Get();
    (*filter)->AddRef();
    return result;
}

HRESULT FakeFilterGraph::ConnectDirect(IPin*, IPin*, const AM_MEDIA_TYPE*) {
    return NotImplemented(L"ConnectDirect");
}
HRESULT FakeFilterGraph::Reconnect(IPin*) {
    return NotImplemented(L"Reconnect");
}

HRESULT FakeFilterGraph::Disconnect(IPin* pin) {
    const HRESULT result = Call(L"Disconnect", FakeName(pin));
    if (FAILED(result))
        return result;
    if (pin == nullptr)
        return E_POINTER;
    return pin->Disconnect();
}

HRESULT FakeFilterGraph::SetDefaultSyncSource() {
    return Call(L"SetDefaultSyncSource");
}
HRESULT FakeFilterGraph::Connect(IPin*, IPin*) {
    return NotImplemented(L"Connect");
}
HRESULT FakeFilterGraph::Render(IPin*) {
    return NotImplemented(L"Render");
}
HRESULT FakeFilterGraph::RenderFile(LPCWSTR, LPCWSTR) {
    return NotImplemented(L"RenderFile");
}
HRESULT FakeFilterGraph::AddSourceFilter(LPCWSTR, LPCWSTR, IBaseFilter**) {
    return NotImplemented(L"AddSourceFilter");
}
HRESULT FakeFilterGraph::SetLogFile(DWORD_PTR) {
    return NotImplemented(L"SetLogFile");
}
HRESULT FakeFilterGraph::Abort() {
    return NotImplemented(L"Abort");
}
HRESULT FakeFilterGraph::ShouldOperationContinue() {
    return NotImplemented(L"ShouldOperationContinue");
}
HRESULT FakeFilterGraph::AddSourceFilterForMoniker(IMoniker*, IBindCtx*, LPCWSTR, IBaseFilter**) {
    return NotImplemented(L"AddSourceFilterForMoniker");
}
HRESULT FakeFilterGraph::ReconnectEx(IPin*, const AM_MEDIA_TYPE*) {
    return NotImplemented(L"ReconnectEx");
}
HRESULT FakeFilterGraph::RenderEx(IPin*, DWORD, DWORD*) {
    return NotImplemented(L"RenderEx");
}

HRESULT FakeFilterGraph::GetTypeInfoCount(UINT*) {
    return NotImplemented(L"GetTypeInfoCount");
}
HRESULT FakeFilterGraph::GetTypeInfo(UINT, LCID, ITypeInfo**) {
    return NotImplemented(L"GetTypeInfo");
}
HRESULT FakeFilterGraph::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) {
    return NotImplemented(L"GetIDsOfNames");
}
HRESULT FakeFilterGraph::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                UINT*) {
    return NotImplemented(L"Invoke");
}

// A graph leaving the stopped state pauses its filters first: a device that is not
// plugged in refuses. As the platform's graph does, a run answers S_FALSE at once and
// fails in the background (GetState then answers E_FAIL until the graph is stopped); a
// pause answers with the device's refusal.
HRESULT FakeFilterGraph::MemberRefusal() const {
    if (state_ != State_Stopped)
        return S_OK;
    for (const auto& member : filters_) {
        const auto* filter = dynamic_cast<const FakeFilter*>(member.filter.Get());
        if (filter != nullptr && filter->Unplugged())
            return HRESULT_FROM_WIN32(ERROR_DEVICE_NOT_CONNECTED);
    }
    return S_OK;
}

HRESULT FakeFilterGraph::Run() {
    HRESULT result = Call(L"Run");
    if (SUCCEEDED(result) && FAILED(MemberRefusal())) {
        runFailure_ = E_FAIL;
        result = S_FALSE;
    }
    if (SUCCEEDED(result))
        state_ = State_Running;
    return result;
}

HRESULT FakeFilterGraph::Pause() {
    HRESULT result = Call(L"Pause");
    if (SUCCEEDED(result) && FAILED(MemberRefusal()))
        result = MemberRefusal();
    if (SUCCEEDED(result))
        state_ = State_Paused;
    return result;
}

HRESULT FakeFilterGraph::Stop() {
    const HRESULT result = Call(L"Stop");
    if (SUCCEEDED(result)) {
        state_ = State_Stopped;
        runFailure_ = S_OK;
    }
    return result;
}

HRESULT FakeFilterGraph::GetState(LONG, OAFilterState* state) {
    if (state == nullptr)
        return E_POINTER;
    *state = state_;
    const HRESULT result = Call(L"GetState");
    return SUCCEEDED(result) && FAILED(runFailure_) ? runFailure_ : result;
}

HRESULT FakeFilterGraph::RenderFile(BSTR) {
    return NotImplemented(L"RenderFile");
}
HRESULT FakeFilterGraph::AddSourceFilter(BSTR, IDispatch**) {
    return NotImplemented(L"AddSourceFilter");
}
HRESULT FakeFilterGraph::get_FilterCollection(IDispatch**) {
    return NotImplemented(L"get_FilterCollection");
}
HRESULT FakeFilterGraph::get_RegFilterCollection(IDispatch**) {
    return NotImplemented(L"get_RegFilterCollection");
}
HRESULT FakeFilterGraph::StopWhenReady() {
    return NotImplemented(L"StopWhenReady");
}

HRESULT FakeFilterGraph::GetEventHandle(OAEVENT*) {
    return NotImplemented(L"GetEventHandle");
}

HRESULT FakeFilterGraph::GetEvent(long* code, LONG_PTR* param1, LONG_PTR* param2, long timeout) {
    if (code == nullptr || param1 == nullptr || param2 == nullptr)
        return E_POINTER;
    *code = 0;
    *param1 = 0;
    *param2 = 0;
    const HRESULT result =
        Call(L"GetEvent", std::to_wstring(timeout), events_.empty() ? E_ABORT : S_OK);
    if (result != S_OK || events_.empty())
        return result != S_OK ? result : E_ABORT;
    *code = events_.front().code;
    *param1 = events_.front().param1;
    *param2 = events_.front().param2;
    events_.pop_front();
    ++unfreed_;
    return result;
}

HRESULT FakeFilterGraph::WaitForCompletion(long, long*) {
    return NotImplemented(L"WaitForCompletion");
}
HRESULT FakeFilterGraph::CancelDefaultHandling(long) {
    return NotImplemented(L"CancelDefaultHandling");
}
HRESULT FakeFilterGraph::RestoreDefaultHandling(long) {
    return NotImplemented(L"RestoreDefaultHandling");
}

HRESULT FakeFilterGraph::FreeEventParams(long code, LONG_PTR, LONG_PTR) {
    --unfreed_;
    return Call(L"FreeEventParams", std::to_wstring(code));
}

HRESULT FakeFilterGraph::SetNotifyWindow(OAHWND window, long message, LONG_PTR instance) {
    const HRESULT result =
        Call(L"SetNotifyWindow", Window(window) + L", " + Hex(message) + L", " +
                                     std::to_wstring(static_cast<long long>(instance)));
    if (SUCCEEDED(result)) {
        notifyWindow_ = reinterpret_cast<HWND>(window);
        notifyMessage_ = message;
        notifyInstance_ = instance;
    }
    return result;
}

HRESULT FakeFilterGraph::SetNotifyFlags(long) {
    return NotImplemented(L"SetNotifyFlags");
}
HRESULT FakeFilterGraph::GetNotifyFlags(long*) {
    return NotImplemented(L"GetNotifyFlags");
}

HRESULT FakeFilterGraph::Get(const wchar_t* method, long value, long* target) {
    if (target == nullptr)
        return E_POINTER;
    *target = value;
    return Call(method);
}

HRESULT FakeFilterGraph::put_Caption(BSTR) {
    return NotImplemented(L"put_Caption");
}
HRESULT FakeFilterGraph::get_Caption(BSTR*) {
    return NotImplemented(L"get_Caption");
}

HRESULT FakeFilterGraph::put_WindowStyle(long style) {
    const HRESULT result = Call(L"put_WindowStyle", Hex(style));
    if (SUCCEEDED(result))
        style_ = style;
    return result;
}

HRESULT FakeFilterGraph::get_WindowStyle(long* style) {
    return Get(L"get_WindowStyle", style_, style);
}

HRESULT FakeFilterGraph::put_WindowStyleEx(long) {
    return NotImplemented(L"put_WindowStyleEx");
}
HRESULT FakeFilterGraph::get_WindowStyleEx(long*) {
    return NotImplemented(L"get_WindowStyleEx");
}
HRESULT FakeFilterGraph::put_AutoShow(long) {
    return NotImplemented(L"put_AutoShow");
}
HRESULT FakeFilterGraph::get_AutoShow(long*) {
    return NotImplemented(L"get_AutoShow");
}
HRESULT FakeFilterGraph::put_WindowState(long) {
    return NotImplemented(L"put_WindowState");
}
HRESULT FakeFilterGraph::get_WindowState(long*) {
    return NotImplemented(L"get_WindowState");
}
HRESULT FakeFilterGraph::put_BackgroundPalette(long) {
    return NotImplemented(L"put_BackgroundPalette");
}
HRESULT FakeFilterGraph::get_BackgroundPalette(long*) {
    return NotImplemented(L"get_BackgroundPalette");
}

HRESULT FakeFilterGraph::put_Visible(long visible) {
    const HRESULT result = Call(L"put_Visible", std::to_wstring(visible));
    if (SUCCEEDED(result))
        visible_ = visible;
    return result;
}

HRESULT FakeFilterGraph::get_Visible(long* visible) {
    return Get(L"get_Visible", visible_, visible);
}

HRESULT FakeFilterGraph::put_Left(long) {
    return NotImplemented(L"put_Left");
}
HRESULT FakeFilterGraph::get_Left(long* left) {
    return Get(L"get_Left", position_.left, left);
}
HRESULT FakeFilterGraph::put_Width(long) {
    return NotImplemented(L"put_Width");
}
HRESULT FakeFilterGraph::get_Width(long* width) {
    return Get(L"get_Width", position_.right - position_.left, width);
}
HRESULT FakeFilterGraph::put_Top(long) {
    return NotImplemented(L"put_Top");
}
HRESULT FakeFilterGraph::get_Top(long* top) {
    return Get(L"get_Top", position_.top, top);
}
HRESULT FakeFilterGraph::put_Height(long) {
    return NotImplemented(L"put_Height");
}
HRESULT FakeFilterGraph::get_Height(long* height) {
    return Get(L"get_Height", position_.bottom - position_.top, height);
}

HRESULT FakeFilterGraph::put_Owner(OAHWND owner) {
    const HRESULT result = Call(L"put_Owner", Window(owner));
    if (SUCCEEDED(result))
        owner_ = owner;
    return result;
}

HRESULT FakeFilterGraph::get_Owner(OAHWND* owner) {
    if (owner == nullptr)
        return E_POINTER;
    *owner = owner_;
    return Call(L"get_Owner");
}

HRESULT FakeFilterGraph::put_MessageDrain(OAHWND drain) {
    const HRESULT result = Call(L"put_MessageDrain", Window(drain));
    if (SUCCEEDED(result))
        drain_ = drain;
    return result;
}

HRESULT FakeFilterGraph::get_MessageDrain(OAHWND* drain) {
    if (drain == nullptr)
        return E_POINTER;
    *drain = drain_;
    return Call(L"get_MessageDrain");
}

HRESULT FakeFilterGraph::get_BorderColor(long*) {
    return NotImplemented(L"get_BorderColor");
}
HRESULT FakeFilterGraph::put_BorderColor(long) {
    return NotImplemented(L"put_BorderColor");
}

HRESULT FakeFilterGraph::get_FullScreenMode(long* mode) {
    return Get(L"get_FullScreenMode", fullScreen_, mode);
}

HRESULT FakeFilterGraph::put_FullScreenMode(long mode) {
    const HRESULT result = Call(L"put_FullScreenMode", std::to_wstring(mode));
    if (SUCCEEDED(result))
        fullScreen_ = mode;
    return result;
}

HRESULT FakeFilterGraph::SetWindowForeground(long) {
    return NotImplemented(L"SetWindowForeground");
}
HRESULT FakeFilterGraph::NotifyOwnerMessage(OAHWND, long, LONG_PTR, LONG_PTR) {
    return NotImplemented(L"NotifyOwnerMessage");
}

HRESULT FakeFilterGraph::SetWindowPosition(long left, long top, long width, long height) {
    const HRESULT result =
        Call(L"SetWindowPosition", std::to_wstring(left) + L", " + std::to_wstring(top) + L", " +
                                       std::to_wstring(width) + L", " + std::to_wstring(height));
    if (SUCCEEDED(result))
        position_ = {left, top, left + width, top + height};
    return result;
}

HRESULT FakeFilterGraph::GetWindowPosition(long* left, long* top, long* width, long* height) {
    if (left == nullptr || top == nullptr || width == nullptr || height == nullptr)
        return E_POINTER;
    *left = position_.left;
    *top = position_.top;
    *width = position_.right - position_.left;
    *height = position_.bottom - position_.top;
    return Call(L"GetWindowPosition");
}

HRESULT FakeFilterGraph::GetMinIdealImageSize(long*, long*) {
    return NotImplemented(L"GetMinIdealImageSize");
}
HRESULT FakeFilterGraph::GetMaxIdealImageSize(long*, long*) {
    return NotImplemented(L"GetMaxIdealImageSize");
}
HRESULT FakeFilterGraph::GetRestorePosition(long*, long*, long*, long*) {
    return NotImplemented(L"GetRestorePosition");
}
HRESULT FakeFilterGraph::HideCursor(long) {
    return NotImplemented(L"HideCursor");
}
HRESULT FakeFilterGraph::IsCursorHidden(long*) {
    return NotImplemented(L"IsCursorHidden");
}

} // namespace tbfake
