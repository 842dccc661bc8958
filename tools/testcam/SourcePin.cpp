#include "SourcePin.h"

#include "SourceFilter.h"
#include "Enumerators.h"
#include "FrameTiming.h"
#include "Guids.h"

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

SourcePin::Stream::Stream()
    : wake(::CreateEventW(nullptr, FALSE, FALSE, nullptr)),
      ended(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

SourcePin::Stream::~Stream() {
    for (HANDLE event : {wake, ended})
        if (event != nullptr)
            ::CloseHandle(event);
}

void SourcePin::Stream::Stop() {
    stop = true;
    ::SetEvent(wake);
}

SourcePin::SourcePin(SourceFilter& filter, std::unique_ptr<StreamFormat> format)
    : filter_(filter), format_(std::move(format)) {}

SourcePin::~SourcePin() {
    if (stream_)
        stream_->Stop();
    ending_.push_back({std::move(thread_), std::move(stream_)});
    for (Ending& ending : ending_) {
        if (!ending.thread.joinable())
            continue;
        // A streaming thread itself may drop the last reference to the filter.
        if (ending.thread.get_id() == std::this_thread::get_id())
            ending.thread.detach();
        else
            ending.thread.join();
    }
}

void SourcePin::Wake() {
    if (stream_)
        ::SetEvent(stream_->wake);
}

bool SourcePin::DeviceUnplugged() const {
    return control_.Unplugged(filter_.Device());
}

// ---- IUnknown

HRESULT SourcePin::QueryInterface(REFIID riid, void** object) {
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
    else if (riid == IID_ISpecifyPropertyPages && format_->MajorType() == MEDIATYPE_Video)
        *object = static_cast<ISpecifyPropertyPages*>(this);
    else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG SourcePin::AddRef() {
    return filter_.AddRef();
}
ULONG SourcePin::Release() {
    return filter_.Release();
}

// ---- IPin

// The filter's lock is never held while the downstream pin is called: that pin may call
// back into this one, or wait for a thread of its own that does (its allocator, the
// graph), and a lock held across the call would then deadlock. So the connection is
// decided under the lock, made without it, and taken under the lock again, where a
// connection or a start that came meanwhile undoes this one.
HRESULT SourcePin::Connect(IPin* receivePin, const AM_MEDIA_TYPE* type) {
    if (receivePin == nullptr)
        return E_POINTER;
    PIN_DIRECTION direction = PINDIR_OUTPUT;
    if (FAILED(receivePin->QueryDirection(&direction)) || direction != PINDIR_INPUT)
        return VFW_E_INVALID_DIRECTION;

    MediaType candidate;
    long sampleBytes = 0;
    {
        std::lock_guard lock(filter_.Lock());
        if (peer_)
            return VFW_E_ALREADY_CONNECTED;
        if (filter_.StateLocked() != State_Stopped)
            return VFW_E_NOT_STOPPED;
        // The pin streams the configured format; a complete media type naming another
        // offered format selects that one, as SetFormat would.
        candidate = format_->Current();
        if (type != nullptr)
            if (MediaType asked = format_->Normalise(*type); asked.Valid())
                candidate = asked;
        if (!candidate.Valid())
            return E_OUTOFMEMORY;
        if (type != nullptr && !MatchesRequest(candidate.Get(), *type))
            return VFW_E_NO_ACCEPTABLE_TYPES;
        sampleBytes = format_->SampleBytes(candidate.Get());
    }

    HRESULT hr = receivePin->ReceiveConnection(this, &candidate.Get());
    if (FAILED(hr))
        return VFW_E_NO_ACCEPTABLE_TYPES;
    ComPtr<IMemInputPin> input;
    ComPtr<IMemAllocator> allocator;
    hr = receivePin->QueryInterface(IID_PPV_ARGS(&input));
    if (SUCCEEDED(hr))
        hr = DecideAllocator(input.Get(), sampleBytes, &allocator);
    if (SUCCEEDED(hr)) {
        std::lock_guard lock(filter_.Lock());
        if (peer_)
            hr = VFW_E_ALREADY_CONNECTED;
        else if (filter_.StateLocked() != State_Stopped)
            hr = VFW_E_NOT_STOPPED;
        else {
            peer_ = receivePin;
            peerInput_ = input;
            allocator_ = allocator;
            connectionType_ = candidate;
            format_->Select(candidate.Get());
            return S_OK;
        }
    }
    receivePin->Disconnect();
    return hr;
}

HRESULT SourcePin::DecideAllocator(IMemInputPin* input, long sampleSize,
                                   ComPtr<IMemAllocator>* chosen) {
    ALLOCATOR_PROPERTIES wanted{};
    input->GetAllocatorRequirements(&wanted); // a hint only; failure is common
    wanted.cBuffers = std::max<long>(wanted.cBuffers, kMinimumBuffers);
    wanted.cbBuffer = std::max<long>(wanted.cbBuffer, sampleSize);
    wanted.cbAlign = std::max<long>(wanted.cbAlign, 1);

    auto tryAllocator = [&](IMemAllocator* allocator) {
        ALLOCATOR_PROPERTIES actual{};
        if (FAILED(allocator->SetProperties(&wanted, &actual)) || actual.cbBuffer < sampleSize ||
            actual.cBuffers < 1)
            return false;
        if (FAILED(input->NotifyAllocator(allocator, FALSE)))
            return false;
        *chosen = allocator;
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

HRESULT SourcePin::ReceiveConnection(IPin*, const AM_MEDIA_TYPE*) {
    return E_UNEXPECTED;
}

HRESULT SourcePin::Disconnect() {
    // Taken out under the lock; decommitted and released (downstream objects) without it.
    ComPtr<IMemAllocator> allocator;
    ComPtr<IMemInputPin> input;
    ComPtr<IPin> peer;
    {
        std::lock_guard lock(filter_.Lock());
        if (filter_.StateLocked() != State_Stopped)
            return VFW_E_NOT_STOPPED;
        if (!peer_)
            return S_FALSE;
        // Swap, not move: mingw-w64's ComPtr move assignment copies (the source keeps
        // its reference).
        allocator.Swap(allocator_);
        input.Swap(peerInput_);
        peer.Swap(peer_);
        connectionType_.Reset();
    }
    if (allocator)
        allocator->Decommit();
    return S_OK;
}

HRESULT SourcePin::ConnectedTo(IPin** pin) {
    if (pin == nullptr)
        return E_POINTER;
    std::lock_guard lock(filter_.Lock());
    *pin = peer_.Get();
    if (*pin == nullptr)
        return VFW_E_NOT_CONNECTED;
    (*pin)->AddRef();
    return S_OK;
}

HRESULT SourcePin::ConnectionMediaType(AM_MEDIA_TYPE* type) {
    if (type == nullptr)
        return E_POINTER;
    std::lock_guard lock(filter_.Lock());
    if (!peer_) {
        *type = AM_MEDIA_TYPE{};
        return VFW_E_NOT_CONNECTED;
    }
    return CopyMediaType(*type, connectionType_.Get()) ? S_OK : E_OUTOFMEMORY;
}

HRESULT SourcePin::QueryPinInfo(PIN_INFO* info) {
    if (info == nullptr)
        return E_POINTER;
    info->pFilter = &filter_;
    filter_.AddRef();
    info->dir = PINDIR_OUTPUT;
    static_assert(sizeof(kPinId) / sizeof(wchar_t) <= MAX_PIN_NAME);
    std::copy_n(kPinId, sizeof(kPinId) / sizeof(wchar_t), info->achName);
    return S_OK;
}

HRESULT SourcePin::QueryDirection(PIN_DIRECTION* direction) {
    if (direction == nullptr)
        return E_POINTER;
    *direction = PINDIR_OUTPUT;
    return S_OK;
}

HRESULT SourcePin::QueryId(LPWSTR* id) {
    if (id == nullptr)
        return E_POINTER;
    *id = static_cast<LPWSTR>(::CoTaskMemAlloc(sizeof(kPinId)));
    if (*id == nullptr)
        return E_OUTOFMEMORY;
    std::memcpy(*id, kPinId, sizeof(kPinId));
    return S_OK;
}

HRESULT SourcePin::QueryAccept(const AM_MEDIA_TYPE* type) {
    if (type == nullptr)
        return E_POINTER;
    std::lock_guard lock(filter_.Lock());
    return format_->Normalise(*type).Valid() ? S_OK : S_FALSE;
}

HRESULT SourcePin::EnumMediaTypes(IEnumMediaTypes** types) {
    std::lock_guard lock(filter_.Lock());
    // Only the configured format, as capture pins do once a format is chosen: the graph
    // then connects exactly what the application asked for.
    std::vector<MediaType> list;
    list.push_back(peer_ ? connectionType_ : format_->Current());
    return MakeMediaTypeEnumerator(std::move(list), types);
}

HRESULT SourcePin::QueryInternalConnections(IPin**, ULONG*) {
    return E_NOTIMPL;
}
HRESULT SourcePin::EndOfStream() {
    return E_UNEXPECTED;
}
HRESULT SourcePin::BeginFlush() {
    return E_UNEXPECTED;
}
HRESULT SourcePin::EndFlush() {
    return E_UNEXPECTED;
}
HRESULT SourcePin::NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) {
    return S_OK;
}

// ---- IAMStreamConfig

HRESULT SourcePin::SetFormat(AM_MEDIA_TYPE* type) {
    if (type == nullptr)
        return E_POINTER;
    MediaType proposed;
    ComPtr<IPin> peer;
    {
        std::lock_guard lock(filter_.Lock());
        if (filter_.StateLocked() != State_Stopped)
            return VFW_E_NOT_STOPPED;
        proposed = format_->Normalise(*type);
        if (!proposed.Valid())
            return VFW_E_INVALIDMEDIATYPE;
        if (!peer_ || SameMediaType(proposed.Get(), connectionType_.Get())) {
            format_->Select(proposed.Get());
            return S_OK;
        }
        peer = peer_;
    }
    // The downstream pin is asked without the lock (see Connect).
    if (peer->QueryAccept(&proposed.Get()) != S_OK)
        return VFW_E_INVALIDMEDIATYPE;
    IFilterGraph* graph = nullptr;
    {
        std::lock_guard lock(filter_.Lock());
        if (filter_.StateLocked() != State_Stopped)
            return VFW_E_NOT_STOPPED;
        if (peer_.Get() != peer.Get())
            return VFW_E_WRONG_STATE; // connected elsewhere meanwhile: nothing was changed
        format_->Select(proposed.Get());
        graph = filter_.GraphLocked();
    }
    // Connected: the graph reconnects the pin, which then offers the new format. Outside
    // the lock, since the graph calls back into the pin.
    if (graph == nullptr)
        return VFW_E_NOT_IN_GRAPH;
    ComPtr<IFilterGraph2> graph2;
    if (SUCCEEDED(graph->QueryInterface(IID_PPV_ARGS(&graph2))))
        return graph2->ReconnectEx(this, nullptr);
    return graph->Reconnect(this);
}

HRESULT SourcePin::GetFormat(AM_MEDIA_TYPE** type) {
    if (type == nullptr)
        return E_POINTER;
    std::lock_guard lock(filter_.Lock());
    *type = (peer_ ? connectionType_ : format_->Current()).NewTaskMemCopy();
    return *type != nullptr ? S_OK : E_OUTOFMEMORY;
}

HRESULT SourcePin::GetNumberOfCapabilities(int* count, int* size) {
    if (count == nullptr || size == nullptr)
        return E_POINTER;
    std::lock_guard lock(filter_.Lock());
    *count = format_->CapabilityCount();
    *size = format_->CapabilitySize();
    return S_OK;
}

HRESULT SourcePin::GetStreamCaps(int index, AM_MEDIA_TYPE** type, BYTE* caps) {
    if (type == nullptr || caps == nullptr)
        return E_POINTER;
    *type = nullptr;
    if (index < 0)
        return E_INVALIDARG;
    std::lock_guard lock(filter_.Lock());
    if (index >= format_->CapabilityCount())
        return S_FALSE;
    *type = format_->Capability(index, caps).NewTaskMemCopy();
    return *type != nullptr ? S_OK : E_OUTOFMEMORY;
}

// ---- IKsPropertySet: the pin category

HRESULT SourcePin::Set(REFGUID, DWORD, LPVOID, DWORD, LPVOID, DWORD) {
    return E_NOTIMPL;
}

HRESULT SourcePin::Get(REFGUID set, DWORD id, LPVOID, DWORD, LPVOID data, DWORD dataSize,
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

HRESULT SourcePin::QuerySupported(REFGUID set, DWORD id, DWORD* support) {
    if (set != AMPROPSETID_Pin)
        return E_PROP_SET_UNSUPPORTED;
    if (id != AMPROPERTY_PIN_CATEGORY)
        return E_PROP_ID_UNSUPPORTED;
    if (support != nullptr)
        *support = KSPROPERTY_SUPPORT_GET;
    return S_OK;
}

// ---- ISpecifyPropertyPages

HRESULT SourcePin::GetPages(CAUUID* pages) {
    if (pages == nullptr)
        return E_POINTER;
    pages->pElems = static_cast<GUID*>(::CoTaskMemAlloc(sizeof(GUID)));
    if (pages->pElems == nullptr) {
        pages->cElems = 0;
        return E_OUTOFMEMORY;
    }
    pages->cElems = 1;
    pages->pElems[0] = kClsidFormatPage;
    return S_OK;
}

// ---- IAMDroppedFrames

HRESULT SourcePin::GetNumDropped(long* dropped) {
    if (dropped == nullptr)
        return E_POINTER;
    *dropped = dropped_;
    return S_OK;
}

HRESULT SourcePin::GetNumNotDropped(long* notDropped) {
    if (notDropped == nullptr)
        return E_POINTER;
    *notDropped = delivered_;
    return S_OK;
}

HRESULT SourcePin::GetDroppedInfo(long size, long* frames, long* copied) {
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

HRESULT SourcePin::GetAverageFrameSize(long* averageSize) {
    if (averageSize == nullptr)
        return E_POINTER;
    std::lock_guard lock(filter_.Lock());
    *averageSize = delivered_ > 0 ? format_->SampleBytes(format_->Current().Get()) : 0;
    return S_OK;
}

void SourcePin::CountDropped(int64_t firstIndex, int64_t count) {
    if (count <= 0)
        return;
    dropped_ += static_cast<long>(count);
    control_.PublishCounts(filter_.Device(), dropped_, delivered_);
    std::lock_guard lock(droppedLock_);
    const int64_t kept = std::min<int64_t>(count, kDroppedFramesKept);
    for (int64_t i = count - kept; i < count; ++i)
        droppedFrames_.push_back(static_cast<long>(firstIndex + i));
    while (droppedFrames_.size() > static_cast<size_t>(kDroppedFramesKept))
        droppedFrames_.pop_front();
}

// ---- Streaming

// The streaming thread takes the filter's lock (state, time, format), so no lock is held
// while waiting for that thread: Stop takes the thread out and asks it to end under the
// locks, and joins it once it has let go of them (JoinEnding). The allocator may be the
// downstream pin's, so it is committed and decommitted without the filter's lock too.
HRESULT SourcePin::Active() {
    auto stream = std::make_shared<Stream>();
    if (stream->wake == nullptr || stream->ended == nullptr)
        return E_OUTOFMEMORY;
    ComPtr<IMemAllocator> allocator;
    {
        std::lock_guard lock(filter_.Lock());
        if (!peer_)
            return S_OK;
        allocator = allocator_;
    }
    HRESULT hr = allocator->Commit();
    if (FAILED(hr))
        return hr;
    dropped_ = 0;
    delivered_ = 0;
    control_.PublishCounts(filter_.Device(), 0, 0);
    {
        std::lock_guard lock(droppedLock_);
        droppedFrames_.clear();
    }
    std::lock_guard lock(filter_.Lock());
    if (!peer_)
        return VFW_E_NOT_CONNECTED; // disconnected meanwhile
    stream->allocator = allocator_;
    stream->input = peerInput_;
    stream_ = stream;
    // A stopped stream's thread may still be inside the downstream pin (a stop from within
    // itself returns there; a Stop on another thread has not joined it yet): two threads
    // in one input pin's Receive corrupt what it delivers to. So the new thread delivers
    // only once those have ended, or not at all when it is stopped first (its stopper may
    // be one of them, waiting for it).
    std::vector<std::shared_ptr<Stream>> previous;
    for (const Ending& ending : ending_)
        previous.push_back(ending.stream);
    // The thread keeps the filter alive until it ends. (thread_ is empty: every stop took
    // the thread before it out, and starts and stops are serialised by the filter.)
    ComPtr<IBaseFilter> keepAlive(&filter_);
    thread_ = std::thread([this, keepAlive, stream, previous]() {
        for (const auto& before : previous) {
            const HANDLE events[] = {before->ended, stream->wake};
            while (!stream->stop &&
                   ::WaitForMultipleObjects(2, events, FALSE, INFINITE) != WAIT_OBJECT_0) {
            }
        }
        if (!stream->stop)
            StreamLoop(*stream);
        ::SetEvent(stream->ended);
    });
    return S_OK;
}

void SourcePin::Inactive() {
    std::shared_ptr<Stream> stream;
    ComPtr<IMemAllocator> allocator;
    {
        std::lock_guard lock(filter_.Lock());
        stream = stream_;
        if (stream_)
            ending_.push_back({std::move(thread_), std::move(stream_)});
        allocator = allocator_;
    }
    if (stream)
        stream->Stop();
    // Decommitting releases a GetBuffer that waits for a free sample.
    if (allocator)
        allocator->Decommit();
}

void SourcePin::JoinEnding() {
    std::vector<std::thread> joining;
    {
        std::lock_guard lock(filter_.Lock());
        // A stream stopped from within itself (a downstream callback that stops the
        // filter) cannot wait for itself: it stays here, and keeps the filter alive, until
        // a Stop on another thread or the pin's end waits for it.
        const auto others =
            std::partition(ending_.begin(), ending_.end(), [](const Ending& ending) {
                return ending.thread.get_id() == std::this_thread::get_id();
            });
        for (auto it = others; it != ending_.end(); ++it)
            joining.push_back(std::move(it->thread));
        ending_.erase(others, ending_.end());
    }
    for (std::thread& thread : joining)
        if (thread.joinable())
            thread.join();
}

HRESULT SourcePin::DeliverSample(Stream& stream, const SampleRenderer& renderer, int64_t frameIndex,
                                 bool discontinuity) {
    ComPtr<IMediaSample> sample;
    HRESULT hr = stream.allocator->GetBuffer(&sample, nullptr, nullptr, 0);
    if (FAILED(hr))
        return hr;
    // Stopped while waiting for the buffer (a start since may have committed the allocator
    // again): the frame is not this stream's to deliver any more.
    if (stream.stop)
        return VFW_E_NOT_COMMITTED;
    BYTE* buffer = nullptr;
    const long size = renderer.Size();
    if (FAILED(sample->GetPointer(&buffer)) || sample->GetSize() < size)
        return E_UNEXPECTED;
    PatternOptions options = filter_.Options();
    options.marked = control_.Marked(filter_.Device());
    renderer.Render(frameIndex, options, buffer);
    sample->SetActualDataLength(size);
    REFERENCE_TIME start = FrameStart(frameIndex, renderer.Rate());
    REFERENCE_TIME end = FrameStart(frameIndex + 1, renderer.Rate());
    sample->SetTime(&start, &end);
    LONGLONG mediaStart = frameIndex;
    LONGLONG mediaEnd = frameIndex + 1;
    sample->SetMediaTime(&mediaStart, &mediaEnd);
    sample->SetSyncPoint(TRUE);
    sample->SetDiscontinuity(discontinuity ? TRUE : FALSE);
    return stream.input->Receive(sample.Get());
}

void SourcePin::StreamLoop(Stream& stream) {
    const int device = filter_.Device();
    std::unique_ptr<SampleRenderer> renderer;
    {
        std::lock_guard lock(filter_.Lock());
        renderer = format_->MakeRenderer();
    }
    if (!renderer)
        return;
    const FrameRate rate = renderer->Rate();
    int64_t nextIndex = 0;
    uint64_t seenRun = 0;
    bool resync = true;
    bool discontinuity = true;
    bool halted = false; // after an abort or a refused sample, until the next run
    // Removals and arrivals are the filter's device watch's to report; the stream only
    // stops delivering while the device is gone.
    bool wasUnplugged = false;
    LONG seenAborts = control_.AbortRequests(device);

    while (!stream.stop) {
        const bool unplugged = control_.Unplugged(device);
        if (unplugged != wasUnplugged) {
            wasUnplugged = unplugged;
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
        const LONG aborts = control_.AbortRequests(device);
        if (aborts != seenAborts) {
            seenAborts = aborts;
            if (state == State_Running && !halted) {
                halted = true;
                filter_.NotifyEvent(EC_ERRORABORT, kDeviceFailure, 0);
            }
        }
        int64_t now = 0;
        if (state != State_Running || unplugged || halted || !filter_.StreamTime(&now)) {
            ::WaitForSingleObject(stream.wake, 50);
            continue;
        }
        if (resync) {
            // A new run, or the device is back: carry on from the current time without
            // counting the gap as dropped frames.
            nextIndex = std::max(nextIndex, FrameIndexAt(now, rate));
            resync = false;
        }
        const DeliveryStep step = PlanDelivery(nextIndex, now, rate);
        if (step.waitUntil > now) {
            const int64_t wait = (step.waitUntil - now + 9'999) / 10'000;
            ::WaitForSingleObject(stream.wake, static_cast<DWORD>(std::min<int64_t>(wait, 50)));
            continue;
        }
        if (const LONG stall = control_.TakeStall(device); stall > 0) {
            ::WaitForSingleObject(stream.wake, static_cast<DWORD>(stall));
            continue;
        }
        CountDropped(nextIndex, step.dropped);
        const HRESULT hr = DeliverSample(stream, *renderer, step.frameIndex, discontinuity);
        nextIndex = step.frameIndex + 1;
        if (hr == S_OK) {
            ++delivered_;
            control_.PublishCounts(device, dropped_, delivered_);
            discontinuity = false;
        } else if (stream.stop) {
            break;
        } else if (hr == VFW_E_NOT_COMMITTED || hr == VFW_E_TIMEOUT) {
            CountDropped(step.frameIndex, 1); // no buffer: the frame is lost
            ::WaitForSingleObject(stream.wake, 10);
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
