#include "CameraPin.h"

#include "CameraFilter.h"
#include "Enumerators.h"
#include "FrameTiming.h"

#include <vfwmsgs.h>

#include <algorithm>
#include <cstring>

using Microsoft::WRL::ComPtr;

namespace testcam {

namespace {

constexpr wchar_t kPinId[] = L"Capture";
constexpr long kDroppedFramesKept = 256;
constexpr long kMinimumBuffers = 4;

#ifndef E_PROP_SET_UNSUPPORTED
constexpr HRESULT E_PROP_SET_UNSUPPORTED = HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
#endif
#ifndef E_PROP_ID_UNSUPPORTED
constexpr HRESULT E_PROP_ID_UNSUPPORTED = HRESULT_FROM_WIN32(ERROR_SET_NOT_FOUND);
#endif

// The error a capture device reports when the hardware fails in the middle of a stream.
constexpr HRESULT kDeviceFailure = HRESULT_FROM_WIN32(ERROR_GEN_FAILURE);

} // namespace

CameraPin::CameraPin(CameraFilter& filter)
    : filter_(filter), mode_(DefaultMode()), wake_(::CreateEventW(nullptr, FALSE, FALSE, nullptr)) {
}

CameraPin::~CameraPin() {
    if (thread_.joinable()) {
        // The streaming thread itself may drop the last reference to the filter.
        if (thread_.get_id() == std::this_thread::get_id())
            thread_.detach();
        else {
            stopThread_ = true;
            Wake();
            thread_.join();
        }
    }
    if (wake_ != nullptr)
        ::CloseHandle(wake_);
}

void CameraPin::Wake() {
    if (wake_ != nullptr)
        ::SetEvent(wake_);
}

bool CameraPin::DeviceUnplugged() const {
    return control_.Unplugged(filter_.Camera());
}

// ---- IUnknown

HRESULT CameraPin::QueryInterface(REFIID riid, void** object) {
    if (object == nullptr)
        return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IPin)
        *object = static_cast<IPin*>(this);
    else if (riid == IID_IAMStreamConfig)
        *object = static_cast<IAMStreamConfig*>(this);
    else if (riid == IID_IKsPropertySet)
        *object = static_cast<IKsPropertySet*>(this);
    else if (riid == IID_IAMDroppedFrames)
        *object = static_cast<IAMDroppedFrames*>(this);
    else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG CameraPin::AddRef() {
    return filter_.AddRef();
}
ULONG CameraPin::Release() {
    return filter_.Release();
}

// ---- IPin

HRESULT CameraPin::Connect(IPin* receivePin, const AM_MEDIA_TYPE* type) {
    if (receivePin == nullptr)
        return E_POINTER;
    std::lock_guard lock(filter_.Lock());
    if (peer_)
        return VFW_E_ALREADY_CONNECTED;
    if (filter_.StateLocked() != State_Stopped)
        return VFW_E_NOT_STOPPED;
    PIN_DIRECTION direction = PINDIR_OUTPUT;
    if (FAILED(receivePin->QueryDirection(&direction)) || direction != PINDIR_INPUT)
        return VFW_E_INVALID_DIRECTION;

    // The pin streams the configured mode; a complete media type naming another offered
    // mode selects that one, as SetFormat would.
    VideoMode mode = mode_;
    if (type != nullptr)
        if (const std::optional<VideoMode> asked = ModeFromMediaType(*type, mode_.rate))
            mode = *asked;
    MediaType candidate = MakeMediaType(mode);
    if (!candidate.Valid())
        return E_OUTOFMEMORY;
    if (type != nullptr && !MatchesRequest(candidate.Get(), *type))
        return VFW_E_NO_ACCEPTABLE_TYPES;

    HRESULT hr = receivePin->ReceiveConnection(this, &candidate.Get());
    if (FAILED(hr))
        return VFW_E_NO_ACCEPTABLE_TYPES;
    ComPtr<IMemInputPin> input;
    hr = receivePin->QueryInterface(IID_PPV_ARGS(&input));
    if (SUCCEEDED(hr))
        hr = DecideAllocator(input.Get(), mode);
    if (FAILED(hr)) {
        receivePin->Disconnect();
        return hr;
    }
    peer_ = receivePin;
    peerInput_ = input;
    connectionType_ = candidate;
    mode_ = mode;
    return S_OK;
}

HRESULT CameraPin::DecideAllocator(IMemInputPin* input, const VideoMode& mode) {
    ALLOCATOR_PROPERTIES wanted{};
    input->GetAllocatorRequirements(&wanted); // a hint only; failure is common
    wanted.cBuffers = std::max<long>(wanted.cBuffers, kMinimumBuffers);
    wanted.cbBuffer = std::max<long>(wanted.cbBuffer, ImageSize(mode));
    wanted.cbAlign = std::max<long>(wanted.cbAlign, 1);

    auto tryAllocator = [&](IMemAllocator* allocator) {
        ALLOCATOR_PROPERTIES actual{};
        if (FAILED(allocator->SetProperties(&wanted, &actual)) ||
            actual.cbBuffer < ImageSize(mode) || actual.cBuffers < 1)
            return false;
        if (FAILED(input->NotifyAllocator(allocator, FALSE)))
            return false;
        allocator_ = allocator;
        return true;
    };

    ComPtr<IMemAllocator> allocator;
    if (SUCCEEDED(input->GetAllocator(&allocator)) && allocator && tryAllocator(allocator.Get()))
        return S_OK;
    allocator.Reset();
    HRESULT hr = ::CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER,
                                    IID_PPV_ARGS(&allocator));
    if (FAILED(hr))
        return hr;
    return tryAllocator(allocator.Get()) ? S_OK : VFW_E_NO_ALLOCATOR;
}

HRESULT CameraPin::ReceiveConnection(IPin*, const AM_MEDIA_TYPE*) {
    return E_UNEXPECTED;
}

HRESULT CameraPin::Disconnect() {
    std::lock_guard lock(filter_.Lock());
    if (filter_.StateLocked() != State_Stopped)
        return VFW_E_NOT_STOPPED;
    if (!peer_)
        return S_FALSE;
    if (allocator_)
        allocator_->Decommit();
    allocator_.Reset();
    peerInput_.Reset();
    peer_.Reset();
    connectionType_.Reset();
    return S_OK;
}

HRESULT CameraPin::ConnectedTo(IPin** pin) {
    if (pin == nullptr)
        return E_POINTER;
    std::lock_guard lock(filter_.Lock());
    *pin = peer_.Get();
    if (*pin == nullptr)
        return VFW_E_NOT_CONNECTED;
    (*pin)->AddRef();
    return S_OK;
}

HRESULT CameraPin::ConnectionMediaType(AM_MEDIA_TYPE* type) {
    if (type == nullptr)
        return E_POINTER;
    std::lock_guard lock(filter_.Lock());
    if (!peer_) {
        *type = AM_MEDIA_TYPE{};
        return VFW_E_NOT_CONNECTED;
    }
    return CopyMediaType(*type, connectionType_.Get()) ? S_OK : E_OUTOFMEMORY;
}

HRESULT CameraPin::QueryPinInfo(PIN_INFO* info) {
    if (info == nullptr)
        return E_POINTER;
    info->pFilter = &filter_;
    filter_.AddRef();
    info->dir = PINDIR_OUTPUT;
    std::wcsncpy(info->achName, kPinId, MAX_PIN_NAME);
    return S_OK;
}

HRESULT CameraPin::QueryDirection(PIN_DIRECTION* direction) {
    if (direction == nullptr)
        return E_POINTER;
    *direction = PINDIR_OUTPUT;
    return S_OK;
}

HRESULT CameraPin::QueryId(LPWSTR* id) {
    if (id == nullptr)
        return E_POINTER;
    *id = static_cast<LPWSTR>(::CoTaskMemAlloc(sizeof(kPinId)));
    if (*id == nullptr)
        return E_OUTOFMEMORY;
    std::memcpy(*id, kPinId, sizeof(kPinId));
    return S_OK;
}

HRESULT CameraPin::QueryAccept(const AM_MEDIA_TYPE* type) {
    if (type == nullptr)
        return E_POINTER;
    std::lock_guard lock(filter_.Lock());
    return ModeFromMediaType(*type, mode_.rate) ? S_OK : S_FALSE;
}

HRESULT CameraPin::EnumMediaTypes(IEnumMediaTypes** types) {
    std::lock_guard lock(filter_.Lock());
    // Only the configured mode, as capture pins do once a format is chosen: the graph
    // then connects exactly what the application asked for.
    std::vector<MediaType> list;
    list.push_back(peer_ ? connectionType_ : MakeMediaType(mode_));
    return MakeMediaTypeEnumerator(std::move(list), types);
}

HRESULT CameraPin::QueryInternalConnections(IPin**, ULONG*) {
    return E_NOTIMPL;
}
HRESULT CameraPin::EndOfStream() {
    return E_UNEXPECTED;
}
HRESULT CameraPin::BeginFlush() {
    return E_UNEXPECTED;
}
HRESULT CameraPin::EndFlush() {
    return E_UNEXPECTED;
}
HRESULT CameraPin::NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) {
    return S_OK;
}

// ---- IAMStreamConfig

HRESULT CameraPin::SetFormat(AM_MEDIA_TYPE* type) {
    if (type == nullptr)
        return E_POINTER;
    IFilterGraph* graph = nullptr;
    {
        std::lock_guard lock(filter_.Lock());
        if (filter_.StateLocked() != State_Stopped)
            return VFW_E_NOT_STOPPED;
        const std::optional<VideoMode> mode = ModeFromMediaType(*type, mode_.rate);
        if (!mode)
            return VFW_E_INVALIDMEDIATYPE;
        if (!peer_ || *mode == mode_) {
            mode_ = *mode;
            return S_OK;
        }
        MediaType proposed = MakeMediaType(*mode);
        if (!proposed.Valid())
            return E_OUTOFMEMORY;
        if (peer_->QueryAccept(&proposed.Get()) != S_OK)
            return VFW_E_INVALIDMEDIATYPE;
        mode_ = *mode;
        graph = filter_.GraphLocked();
    }
    // Connected: the graph reconnects the pin, which then offers the new mode. Outside
    // the lock, since the graph calls back into the pin.
    if (graph == nullptr)
        return VFW_E_NOT_IN_GRAPH;
    ComPtr<IFilterGraph2> graph2;
    if (SUCCEEDED(graph->QueryInterface(IID_PPV_ARGS(&graph2))))
        return graph2->ReconnectEx(this, nullptr);
    return graph->Reconnect(this);
}

HRESULT CameraPin::GetFormat(AM_MEDIA_TYPE** type) {
    if (type == nullptr)
        return E_POINTER;
    std::lock_guard lock(filter_.Lock());
    *type = (peer_ ? connectionType_ : MakeMediaType(mode_)).NewTaskMemCopy();
    return *type != nullptr ? S_OK : E_OUTOFMEMORY;
}

HRESULT CameraPin::GetNumberOfCapabilities(int* count, int* size) {
    if (count == nullptr || size == nullptr)
        return E_POINTER;
    *count = static_cast<int>(OfferedModes().size());
    *size = sizeof(VIDEO_STREAM_CONFIG_CAPS);
    return S_OK;
}

HRESULT CameraPin::GetStreamCaps(int index, AM_MEDIA_TYPE** type, BYTE* caps) {
    if (type == nullptr || caps == nullptr)
        return E_POINTER;
    *type = nullptr;
    if (index < 0)
        return E_INVALIDARG;
    const std::span<const VideoMode> modes = OfferedModes();
    if (static_cast<size_t>(index) >= modes.size())
        return S_FALSE;
    const VideoMode& mode = modes[static_cast<size_t>(index)];
    *type = MakeMediaType(mode).NewTaskMemCopy();
    if (*type == nullptr)
        return E_OUTOFMEMORY;
    const VIDEO_STREAM_CONFIG_CAPS record = MakeStreamCaps(mode);
    std::memcpy(caps, &record, sizeof(record));
    return S_OK;
}

// ---- IKsPropertySet: the pin category

HRESULT CameraPin::Set(REFGUID, DWORD, LPVOID, DWORD, LPVOID, DWORD) {
    return E_NOTIMPL;
}

HRESULT CameraPin::Get(REFGUID set, DWORD id, LPVOID, DWORD, LPVOID data, DWORD dataSize,
                       DWORD* returned) {
    if (set != AMPROPSETID_Pin)
        return E_PROP_SET_UNSUPPORTED;
    if (id != AMPROPERTY_PIN_CATEGORY)
        return E_PROP_ID_UNSUPPORTED;
    if (returned != nullptr)
        *returned = sizeof(GUID);
    if (data == nullptr)
        return returned != nullptr ? S_OK : E_POINTER;
    if (dataSize < sizeof(GUID))
        return E_UNEXPECTED;
    *static_cast<GUID*>(data) = PIN_CATEGORY_CAPTURE;
    return S_OK;
}

HRESULT CameraPin::QuerySupported(REFGUID set, DWORD id, DWORD* support) {
    if (set != AMPROPSETID_Pin)
        return E_PROP_SET_UNSUPPORTED;
    if (id != AMPROPERTY_PIN_CATEGORY)
        return E_PROP_ID_UNSUPPORTED;
    if (support != nullptr)
        *support = KSPROPERTY_SUPPORT_GET;
    return S_OK;
}

// ---- IAMDroppedFrames

HRESULT CameraPin::GetNumDropped(long* dropped) {
    if (dropped == nullptr)
        return E_POINTER;
    *dropped = dropped_;
    return S_OK;
}

HRESULT CameraPin::GetNumNotDropped(long* notDropped) {
    if (notDropped == nullptr)
        return E_POINTER;
    *notDropped = delivered_;
    return S_OK;
}

HRESULT CameraPin::GetDroppedInfo(long size, long* frames, long* copied) {
    if (frames == nullptr || copied == nullptr)
        return E_POINTER;
    if (size <= 0)
        return E_INVALIDARG;
    std::lock_guard lock(droppedLock_);
    long count = 0;
    for (long frame : droppedFrames_) {
        if (count == size)
            break;
        frames[count++] = frame;
    }
    *copied = count;
    return S_OK;
}

HRESULT CameraPin::GetAverageFrameSize(long* averageSize) {
    if (averageSize == nullptr)
        return E_POINTER;
    std::lock_guard lock(filter_.Lock());
    *averageSize = delivered_ > 0 ? ImageSize(mode_) : 0;
    return S_OK;
}

void CameraPin::CountDropped(int64_t firstIndex, int64_t count) {
    if (count <= 0)
        return;
    dropped_ += static_cast<long>(count);
    std::lock_guard lock(droppedLock_);
    const int64_t kept = std::min<int64_t>(count, kDroppedFramesKept);
    for (int64_t i = count - kept; i < count; ++i)
        droppedFrames_.push_back(static_cast<long>(firstIndex + i));
    while (droppedFrames_.size() > static_cast<size_t>(kDroppedFramesKept))
        droppedFrames_.pop_front();
}

// ---- Streaming

HRESULT CameraPin::Active() {
    if (!peer_)
        return S_OK;
    HRESULT hr = allocator_->Commit();
    if (FAILED(hr))
        return hr;
    dropped_ = 0;
    delivered_ = 0;
    {
        std::lock_guard lock(droppedLock_);
        droppedFrames_.clear();
    }
    if (thread_.joinable())
        thread_.join();
    stopThread_ = false;
    ::ResetEvent(wake_);
    // The thread keeps the filter alive until it ends.
    ComPtr<IBaseFilter> keepAlive(&filter_);
    thread_ = std::thread([this, keepAlive]() { StreamLoop(); });
    return S_OK;
}

void CameraPin::Inactive() {
    stopThread_ = true;
    Wake();
    ComPtr<IMemAllocator> allocator;
    {
        std::lock_guard lock(filter_.Lock());
        allocator = allocator_;
    }
    // Decommitting releases a GetBuffer that waits for a free sample.
    if (allocator)
        allocator->Decommit();
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id())
        thread_.join();
}

void CameraPin::WaitMilliseconds(DWORD milliseconds) {
    ::WaitForSingleObject(wake_, milliseconds);
}

HRESULT CameraPin::DeliverFrame(const PatternRenderer& renderer, int64_t frameIndex,
                                bool discontinuity) {
    ComPtr<IMediaSample> sample;
    HRESULT hr = allocator_->GetBuffer(&sample, nullptr, nullptr, 0);
    if (FAILED(hr))
        return hr;
    BYTE* buffer = nullptr;
    const long size = ImageSize(renderer.Mode());
    if (FAILED(sample->GetPointer(&buffer)) || sample->GetSize() < size)
        return E_UNEXPECTED;
    renderer.Render(frameIndex, filter_.Options(), buffer);
    sample->SetActualDataLength(size);
    REFERENCE_TIME start = FrameStart(frameIndex, renderer.Mode().rate);
    REFERENCE_TIME end = FrameStart(frameIndex + 1, renderer.Mode().rate);
    sample->SetTime(&start, &end);
    LONGLONG mediaStart = frameIndex;
    LONGLONG mediaEnd = frameIndex + 1;
    sample->SetMediaTime(&mediaStart, &mediaEnd);
    sample->SetSyncPoint(TRUE);
    sample->SetDiscontinuity(discontinuity ? TRUE : FALSE);
    return peerInput_->Receive(sample.Get());
}

void CameraPin::StreamLoop() {
    const int camera = filter_.Camera();
    VideoMode mode;
    {
        std::lock_guard lock(filter_.Lock());
        mode = mode_;
    }
    const PatternRenderer renderer(mode);
    int64_t nextIndex = 0;
    uint64_t seenRun = 0;
    bool resync = true;
    bool discontinuity = true;
    bool halted = false; // after an abort or a refused sample, until the next run
    bool lostReported = false;
    LONG seenAborts = control_.AbortRequests(camera);
    auto* unknown = static_cast<IUnknown*>(static_cast<IBaseFilter*>(&filter_));

    while (!stopThread_) {
        const bool unplugged = control_.Unplugged(camera);
        if (unplugged != lostReported) {
            lostReported = unplugged;
            filter_.NotifyEvent(EC_DEVICE_LOST, reinterpret_cast<LONG_PTR>(unknown),
                                unplugged ? 0 : 1);
            resync = true;
            discontinuity = true;
        }
        FILTER_STATE state = State_Stopped;
        uint64_t run = 0;
        {
            std::lock_guard lock(filter_.Lock());
            state = filter_.StateLocked();
            run = filter_.RunGenerationLocked();
        }
        if (run != seenRun) {
            seenRun = run;
            halted = false;
            resync = true;
            discontinuity = true;
        }
        const LONG aborts = control_.AbortRequests(camera);
        if (aborts != seenAborts) {
            seenAborts = aborts;
            if (state == State_Running && !halted) {
                halted = true;
                filter_.NotifyEvent(EC_ERRORABORT, kDeviceFailure, 0);
            }
        }
        int64_t now = 0;
        if (state != State_Running || unplugged || halted || !filter_.StreamTime(&now)) {
            WaitMilliseconds(50);
            continue;
        }
        if (resync) {
            // A new run, or the device is back: carry on from the current time without
            // counting the gap as dropped frames.
            nextIndex = std::max(nextIndex, FrameIndexAt(now, mode.rate));
            resync = false;
        }
        const DeliveryStep step = PlanDelivery(nextIndex, now, mode.rate);
        if (step.waitUntil > now) {
            const int64_t wait = (step.waitUntil - now + 9'999) / 10'000;
            WaitMilliseconds(static_cast<DWORD>(std::min<int64_t>(wait, 50)));
            continue;
        }
        if (const LONG stall = control_.TakeStall(camera); stall > 0) {
            WaitMilliseconds(static_cast<DWORD>(stall));
            continue;
        }
        CountDropped(nextIndex, step.dropped);
        const HRESULT hr = DeliverFrame(renderer, step.frameIndex, discontinuity);
        nextIndex = step.frameIndex + 1;
        if (hr == S_OK) {
            ++delivered_;
            discontinuity = false;
        } else if (stopThread_) {
            break;
        } else if (hr == VFW_E_NOT_COMMITTED || hr == VFW_E_TIMEOUT) {
            CountDropped(step.frameIndex, 1); // no buffer: the frame is lost
            WaitMilliseconds(10);
        } else {
            // Downstream refused the stream (S_FALSE) or failed: stop delivering until the
            // next run, and report a failure to the application.
            halted = true;
            if (FAILED(hr))
                filter_.NotifyEvent(EC_ERRORABORT, hr, 0);
        }
    }
}

} // namespace testcam
