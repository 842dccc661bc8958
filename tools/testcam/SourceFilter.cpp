#include "SourceFilter.h"

#include "Enumerators.h"
#include "Module.h"

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <iterator>
#include <new>

using Microsoft::WRL::ComPtr;

namespace testcam {

namespace {

// A copy of `text` in task memory, as QueryVendorInfo and QueryId hand out.
LPWSTR TaskMemString(const wchar_t* text) {
    const size_t bytes = (std::wcslen(text) + 1) * sizeof(wchar_t);
    auto* copy = static_cast<LPWSTR>(::CoTaskMemAlloc(bytes));
    if (copy != nullptr)
        std::memcpy(copy, text, bytes);
    return copy;
}

} // namespace

HRESULT SourceFilter::Create(int device, REFIID riid, void** object) {
    if (object == nullptr)
        return E_POINTER;
    *object = nullptr;
    struct Device {
        int number;
        const CLSID* clsid;
        DeviceKind kind;
    };
    static constexpr Device kDevices[] = {
        {1, &kClsidCamera1, DeviceKind::PatternCamera},
        {2, &kClsidCamera2, DeviceKind::PatternCamera},
        {kMicrophoneDevice, &kClsidMicrophone, DeviceKind::PatternCamera},
        {kCaptureCardDevice, &kClsidCaptureCard, DeviceKind::CaptureCard},
        {kHdCameraDevice, &kClsidHdCamera, DeviceKind::HdCamera},
    };
    const auto found = std::find_if(std::begin(kDevices), std::end(kDevices),
                                    [device](const Device& d) { return d.number == device; });
    if (found == std::end(kDevices))
        return E_INVALIDARG;
    const bool microphone = device == kMicrophoneDevice;
    auto* filter = new (std::nothrow)
        SourceFilter(device, *found->clsid,
                     microphone ? MakeAudioFormat() : MakeVideoFormat(found->kind), !microphone);
    if (filter == nullptr || !filter->pin_ || !filter->pin_->Valid()) {
        delete filter;
        return E_OUTOFMEMORY;
    }
    // An unplugged device cannot be opened: as with a capture device removed from the
    // bus, its moniker no longer binds (a filter made before the removal stays, reports
    // the loss and refuses to start instead).
    if (filter->pin_->DeviceUnplugged()) {
        filter->Release();
        return HRESULT_FROM_WIN32(ERROR_DEVICE_NOT_CONNECTED);
    }
    const HRESULT hr = filter->QueryInterface(riid, object);
    filter->Release();
    return hr;
}

SourceFilter::SourceFilter(int device, const CLSID& clsid, std::unique_ptr<StreamFormat> format,
                           bool patternPage)
    : device_(device), clsid_(clsid), patternPage_(patternPage) {
    ObjectCreated();
    if (format)
        pin_.reset(new (std::nothrow) SourcePin(*this, std::move(format)));
}

SourceFilter::~SourceFilter() {
    watch_.reset();
    pin_.reset();
    ObjectDestroyed();
}

bool SourceFilter::StreamTime(int64_t* time) {
    ComPtr<IReferenceClock> clock;
    REFERENCE_TIME start = 0;
    LARGE_INTEGER runCounter{};
    {
        std::lock_guard lock(lock_);
        if (state_ != State_Running)
            return false;
        clock = clock_;
        start = start_;
        runCounter = runCounter_;
    }
    // The graph's clock is asked without the lock: it is not this filter's to hold up.
    if (clock) {
        REFERENCE_TIME now = 0;
        if (FAILED(clock->GetTime(&now)))
            return false;
        *time = now - start;
        return true;
    }
    LARGE_INTEGER counter{};
    LARGE_INTEGER frequency{};
    ::QueryPerformanceCounter(&counter);
    ::QueryPerformanceFrequency(&frequency);
    const int64_t ticks = counter.QuadPart - runCounter.QuadPart;
    *time = ticks / frequency.QuadPart * 10'000'000 +
            (ticks % frequency.QuadPart) * 10'000'000 / frequency.QuadPart;
    return true;
}

PatternOptions SourceFilter::Options() {
    std::lock_guard lock(lock_);
    return options_;
}

void SourceFilter::NotifyEvent(long code, LONG_PTR param1, LONG_PTR param2) {
    ComPtr<IMediaEventSink> sink;
    {
        std::lock_guard lock(lock_);
        if (graph_ == nullptr || FAILED(graph_->QueryInterface(IID_PPV_ARGS(&sink))))
            return;
    }
    sink->Notify(code, param1, param2);
}

HRESULT SourceFilter::QueryInterface(REFIID riid, void** object) {
    if (object == nullptr)
        return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IPersist || riid == IID_IMediaFilter ||
        riid == IID_IBaseFilter)
        *object = static_cast<IBaseFilter*>(this);
    else if (riid == IID_ISpecifyPropertyPages && patternPage_)
        *object = static_cast<ISpecifyPropertyPages*>(this);
    else if (riid == IID_IAMFilterMiscFlags)
        *object = static_cast<IAMFilterMiscFlags*>(this);
    else if (riid == kIidTestPatternSettings && patternPage_)
        *object = static_cast<ITestPatternSettings*>(this);
    else if (riid == IID_IAMStreamConfig || riid == IID_IAMDroppedFrames)
        return pin_->QueryInterface(riid, object);
    else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG SourceFilter::AddRef() {
    return ++refs_;
}

ULONG SourceFilter::Release() {
    const ULONG left = --refs_;
    if (left == 0)
        delete this;
    return left;
}

HRESULT SourceFilter::GetClassID(CLSID* clsid) {
    if (clsid == nullptr)
        return E_POINTER;
    *clsid = clsid_;
    return S_OK;
}

// State changes are serialised by their own lock (transition_), which the streaming
// thread never takes; the filter's lock is held only to read and write the state. Leaving
// and entering Stopped starts and ends the streaming thread and commits and decommits the
// allocator, which the pin does without the filter's lock (see SourcePin::Active). Stop
// waits for the streaming thread only once it holds neither lock: the thread takes the
// filter's lock, and a downstream callback on it may stop the filter again. A Stop of a
// filter already stopped waits too: its streaming thread, stopped from within itself, may
// still be inside the downstream filters the graph is about to disconnect and release.
HRESULT SourceFilter::Stop() {
    {
        std::lock_guard transition(transition_);
        bool leaving = false;
        {
            std::lock_guard lock(lock_);
            leaving = state_ != State_Stopped;
            state_ = State_Stopped;
        }
        if (leaving)
            pin_->Inactive();
    }
    pin_->JoinEnding();
    return S_OK;
}

HRESULT SourceFilter::LeaveStopped() {
    {
        std::lock_guard lock(lock_);
        if (state_ != State_Stopped)
            return S_OK;
    }
    // A device that is not there cannot be started, as with real hardware.
    if (pin_->DeviceUnplugged())
        return HRESULT_FROM_WIN32(ERROR_DEVICE_NOT_CONNECTED);
    return pin_->Active();
}

HRESULT SourceFilter::Pause() {
    std::lock_guard transition(transition_);
    const HRESULT hr = LeaveStopped();
    if (FAILED(hr))
        return hr;
    std::lock_guard lock(lock_);
    state_ = State_Paused;
    pin_->Wake();
    return S_OK;
}

HRESULT SourceFilter::Run(REFERENCE_TIME start) {
    std::lock_guard transition(transition_);
    if (pin_->DeviceUnplugged())
        return HRESULT_FROM_WIN32(ERROR_DEVICE_NOT_CONNECTED);
    const HRESULT hr = LeaveStopped();
    if (FAILED(hr))
        return hr;
    std::lock_guard lock(lock_);
    start_ = start;
    ::QueryPerformanceCounter(&runCounter_);
    state_ = State_Running;
    ++runGeneration_;
    pin_->Wake();
    return S_OK;
}

HRESULT SourceFilter::GetState(DWORD, FILTER_STATE* state) {
    if (state == nullptr)
        return E_POINTER;
    std::lock_guard lock(lock_);
    *state = state_;
    // A live source has nothing to show while paused.
    return state_ == State_Paused ? VFW_S_CANT_CUE : S_OK;
}

HRESULT SourceFilter::SetSyncSource(IReferenceClock* clock) {
    std::lock_guard lock(lock_);
    clock_ = clock;
    return S_OK;
}

HRESULT SourceFilter::GetSyncSource(IReferenceClock** clock) {
    if (clock == nullptr)
        return E_POINTER;
    std::lock_guard lock(lock_);
    *clock = clock_.Get();
    if (*clock != nullptr)
        (*clock)->AddRef();
    return S_OK;
}

HRESULT SourceFilter::EnumPins(IEnumPins** pins) {
    return MakePinEnumerator({ComPtr<IPin>(pin_.get())}, pins);
}

HRESULT SourceFilter::FindPin(LPCWSTR id, IPin** pin) {
    if (id == nullptr || pin == nullptr)
        return E_POINTER;
    if (std::wcscmp(id, L"Capture") != 0) {
        *pin = nullptr;
        return VFW_E_NOT_FOUND;
    }
    *pin = pin_.get();
    (*pin)->AddRef();
    return S_OK;
}

HRESULT SourceFilter::QueryFilterInfo(FILTER_INFO* info) {
    if (info == nullptr)
        return E_POINTER;
    std::lock_guard lock(lock_);
    const size_t length = std::min<size_t>(name_.size(), MAX_FILTER_NAME - 1);
    std::copy_n(name_.c_str(), length, info->achName);
    info->achName[length] = L'\0';
    info->pGraph = graph_;
    if (graph_ != nullptr)
        graph_->AddRef();
    return S_OK;
}

HRESULT SourceFilter::JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) {
    std::unique_ptr<DeviceWatch> leaving;
    {
        std::lock_guard lock(lock_);
        graph_ = graph;
        name_ = name != nullptr ? name : L"";
        leaving = std::move(watch_);
    }
    // Outside the lock: the watch's thread takes it to reach the graph.
    leaving.reset();
    if (graph != nullptr) {
        auto* unknown = static_cast<IUnknown*>(static_cast<IBaseFilter*>(this));
        auto watch = std::make_unique<DeviceWatch>(
            [this] { return pin_->DeviceUnplugged(); },
            [this, unknown](bool unplugged) {
                NotifyEvent(EC_DEVICE_LOST, reinterpret_cast<LONG_PTR>(unknown), unplugged ? 0 : 1);
            });
        std::lock_guard lock(lock_);
        watch_ = std::move(watch);
    }
    return S_OK;
}

HRESULT SourceFilter::QueryVendorInfo(LPWSTR* info) {
    if (info == nullptr)
        return E_POINTER;
    *info = TaskMemString(L"TestBench test pattern camera");
    return *info != nullptr ? S_OK : E_OUTOFMEMORY;
}

HRESULT SourceFilter::GetPages(CAUUID* pages) {
    if (pages == nullptr)
        return E_POINTER;
    pages->pElems = static_cast<GUID*>(::CoTaskMemAlloc(sizeof(GUID)));
    if (pages->pElems == nullptr) {
        pages->cElems = 0;
        return E_OUTOFMEMORY;
    }
    pages->cElems = 1;
    pages->pElems[0] = kClsidPatternPage;
    return S_OK;
}

ULONG SourceFilter::GetMiscFlags() {
    return AM_FILTER_MISC_FLAGS_IS_SOURCE;
}

HRESULT SourceFilter::GetOptions(PatternOptions* options) {
    if (options == nullptr)
        return E_POINTER;
    *options = Options();
    return S_OK;
}

HRESULT SourceFilter::SetOptions(const PatternOptions* options) {
    if (options == nullptr)
        return E_POINTER;
    std::lock_guard lock(lock_);
    options_ = *options;
    return S_OK;
}

HRESULT SourceFilter::GetCameraNumber(int* number) {
    if (number == nullptr)
        return E_POINTER;
    *number = device_;
    return S_OK;
}

} // namespace testcam
