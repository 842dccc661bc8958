#include "media/FileSink.h"

#include "media/ComHelpers.h"

#include <wrl/client.h>

#include <algorithm>
#include <atomic>
#include <cwchar>
#include <iterator>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

namespace tb {

namespace {

using Microsoft::WRL::ComPtr;

constexpr wchar_t kPinName[] = L"In";

// Owns the recording's open file.
struct TFileCloser {
    void operator()(HANDLE file) const { ::CloseHandle(file); }
};
using TFileHandle = std::unique_ptr<void, TFileCloser>;

// A new object of the sink's handed out through `result` with the one reference it was
// made with.
template <typename T, typename I, typename... A>
HRESULT HandOut(I** result, A&&... arguments) {
    if (result == nullptr)
        return E_POINTER;
    ComPtr<T> object = AdoptReference(new (std::nothrow) T(std::forward<A>(arguments)...));
    *result = object.Detach();
    return *result != nullptr ? S_OK : E_OUTOFMEMORY;
}
constexpr wchar_t kDefaultFilterName[] = L"File sink";

// A copy of `text` in task memory, as IFileSinkFilter::GetCurFile and IPin::QueryId hand
// out.
HRESULT TaskMemoryText(const std::wstring& text, LPOLESTR* result) {
    const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    auto* copy = static_cast<wchar_t*>(::CoTaskMemAlloc(bytes));
    if (copy == nullptr)
        return E_OUTOFMEMORY;
    std::wmemcpy(copy, text.c_str(), text.size() + 1);
    *result = copy;
    return S_OK;
}

// The cap on a recording's size: kLargestRecording unless the environment asks for less.
std::uint64_t LargestRecording() {
    wchar_t text[32] = {};
    const DWORD length = ::GetEnvironmentVariableW(kRecordingLimitVariable, text, 32);
    if (length == 0 || length >= 32)
        return kLargestRecording;
    wchar_t* end = nullptr;
    const unsigned long long megabytes = std::wcstoull(text, &end, 10);
    if (end == text || *end != L'\0' || megabytes == 0 || megabytes >= (kLargestRecording >> 20))
        return kLargestRecording;
    return megabytes << 20;
}

// The free bytes of the disk that holds `fileName`; unknown: as many as can be.
std::uint64_t FreeBytesFor(const std::wstring& fileName) {
    wchar_t full[MAX_PATH * 2] = {};
    wchar_t* namePart = nullptr;
    const DWORD length = ::GetFullPathNameW(fileName.c_str(), MAX_PATH * 2, full, &namePart);
    if (length == 0 || length >= MAX_PATH * 2)
        return UINT64_MAX;
    if (namePart != nullptr)
        *namePart = L'\0';
    ULARGE_INTEGER available{};
    if (!::GetDiskFreeSpaceExW(full, &available, nullptr, nullptr))
        return UINT64_MAX;
    return available.QuadPart;
}

// A COM object of one interface with a reference count of its own (the sink's
// enumerators).
template <typename I>
class TOneInterface : public I {
public:
    explicit TOneInterface(REFIID id) : id_(id) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override {
        if (object == nullptr)
            return E_POINTER;
        if (id == IID_IUnknown || id == id_) {
            *object = static_cast<I*>(this);
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

protected:
    virtual ~TOneInterface() = default;

private:
    const IID id_;
    std::atomic<ULONG> refs_{1};
};

// Enumerates the sink's one pin.
class TPinEnumerator final : public TOneInterface<IEnumPins> {
public:
    TPinEnumerator(IPin* pin, ULONG position)
        : TOneInterface(IID_IEnumPins), pin_(pin), position_(position) {}

    HRESULT STDMETHODCALLTYPE Next(ULONG count, IPin** pins, ULONG* fetched) override {
        if (pins == nullptr || (count > 1 && fetched == nullptr))
            return E_POINTER;
        ULONG given = 0;
        if (count > 0 && position_ == 0) {
            pins[0] = pin_.Get();
            pins[0]->AddRef();
            position_ = given = 1;
        }
        if (fetched != nullptr)
            *fetched = given;
        return given == count ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
        const ULONG left = 1 - position_;
        position_ = count >= left ? 1 : position_ + count;
        return count <= left ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Reset() override {
        position_ = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(IEnumPins** copy) override {
        return HandOut<TPinEnumerator>(copy, pin_.Get(), position_);
    }

private:
    ComPtr<IPin> pin_;
    ULONG position_;
};

// The pin proposes no type of its own: it takes the multiplexer's.
class TNoMediaTypes final : public TOneInterface<IEnumMediaTypes> {
public:
    TNoMediaTypes() : TOneInterface(IID_IEnumMediaTypes) {}

    HRESULT STDMETHODCALLTYPE Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) override {
        if (types == nullptr || (count > 1 && fetched == nullptr))
            return E_POINTER;
        if (fetched != nullptr)
            *fetched = 0;
        return count == 0 ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override { return count == 0 ? S_OK : S_FALSE; }
    HRESULT STDMETHODCALLTYPE Reset() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Clone(IEnumMediaTypes** copy) override {
        return HandOut<TNoMediaTypes>(copy);
    }
};

class TFileSink;

// The input pin: its connection, and the file it writes (both ways in). Its references
// are the filter's; the file and its position are kept under the pin's own lock, which
// the streaming thread takes and which is never held while calling out, except into the
// file system.
class TFileSinkPin final : public IPin, public IMemInputPin, public IStream {
public:
    explicit TFileSinkPin(TFileSink& filter) : filter_(filter) {}

    // Opens the file for a recording: false with the platform's result when it cannot.
    HRESULT OpenFile(const std::wstring& fileName);
    // Closes the file (after the multiplexer's ending was written).
    void CloseFile();

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    // IPin
    HRESULT STDMETHODCALLTYPE Connect(IPin*, const AM_MEDIA_TYPE*) override { return E_UNEXPECTED; }
    HRESULT STDMETHODCALLTYPE ReceiveConnection(IPin* connector,
                                                const AM_MEDIA_TYPE* type) override;
    HRESULT STDMETHODCALLTYPE Disconnect() override;
    HRESULT STDMETHODCALLTYPE ConnectedTo(IPin** pin) override;
    HRESULT STDMETHODCALLTYPE ConnectionMediaType(AM_MEDIA_TYPE* type) override;
    HRESULT STDMETHODCALLTYPE QueryPinInfo(PIN_INFO* info) override;
    HRESULT STDMETHODCALLTYPE QueryDirection(PIN_DIRECTION* direction) override;
    HRESULT STDMETHODCALLTYPE QueryId(LPWSTR* id) override;
    HRESULT STDMETHODCALLTYPE QueryAccept(const AM_MEDIA_TYPE* type) override;
    HRESULT STDMETHODCALLTYPE EnumMediaTypes(IEnumMediaTypes** types) override;
    HRESULT STDMETHODCALLTYPE QueryInternalConnections(IPin**, ULONG*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE EndOfStream() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE BeginFlush() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE EndFlush() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) override {
        return S_OK;
    }
    // IMemInputPin: a sample's start time is the byte position of its data.
    HRESULT STDMETHODCALLTYPE GetAllocator(IMemAllocator** allocator) override;
    HRESULT STDMETHODCALLTYPE NotifyAllocator(IMemAllocator*, BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetAllocatorRequirements(ALLOCATOR_PROPERTIES*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Receive(IMediaSample* sample) override;
    HRESULT STDMETHODCALLTYPE ReceiveMultiple(IMediaSample** samples, long count,
                                              long* processed) override;
    HRESULT STDMETHODCALLTYPE ReceiveCanBlock() override { return S_FALSE; }
    // IStream (ISequentialStream)
    HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG size, ULONG* read) override;
    HRESULT STDMETHODCALLTYPE Write(const void* buffer, ULONG size, ULONG* written) override;
    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin,
                                   ULARGE_INTEGER* position) override;
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER size) override;
    HRESULT STDMETHODCALLTYPE CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*,
                                     ULARGE_INTEGER*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Revert() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
        return STG_E_INVALIDFUNCTION;
    }
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
        return STG_E_INVALIDFUNCTION;
    }
    HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE Clone(IStream**) override { return E_NOTIMPL; }

private:
    // Writes `size` bytes at `position` under the lock, held to the limits.
    HRESULT WriteAt(std::uint64_t position, const void* buffer, ULONG size, ULONG* written);
    // Asks for the recording to end, once per file.
    void AskToEnd(TRecordingEnd reason);

    TFileSink& filter_;
    std::mutex connectionLock_;
    ComPtr<IPin> connector_;
    GUID subtype_ = GUID_NULL;

    std::mutex fileLock_;
    TFileHandle file_;
    std::uint64_t position_ = 0;
    std::uint64_t end_ = 0;
    TFileSinkLimits limits_;
    bool limitedByDisk_ = false;
    bool askedToEnd_ = false;
};

class TFileSink final : public IBaseFilter, public IFileSinkFilter {
public:
    TFileSink() : pin_(*this) {}

    // Posts an event to the graph the filter is in (none: nothing).
    void Notify(long code, LONG_PTR param1, LONG_PTR param2);
    bool Stopped() {
        std::lock_guard<std::mutex> hold(lock_);
        return state_ == State_Stopped;
    }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --refs_;
        if (left == 0)
            delete this;
        return left;
    }
    // IPersist
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* id) override {
        if (id == nullptr)
            return E_POINTER;
        *id = kClsidFileSink;
        return S_OK;
    }
    // IMediaFilter
    HRESULT STDMETHODCALLTYPE Stop() override;
    HRESULT STDMETHODCALLTYPE Pause() override;
    HRESULT STDMETHODCALLTYPE Run(REFERENCE_TIME start) override;
    HRESULT STDMETHODCALLTYPE GetState(DWORD timeout, FILTER_STATE* state) override;
    HRESULT STDMETHODCALLTYPE SetSyncSource(IReferenceClock* clock) override;
    HRESULT STDMETHODCALLTYPE GetSyncSource(IReferenceClock** clock) override;
    // IBaseFilter
    HRESULT STDMETHODCALLTYPE EnumPins(IEnumPins** pins) override;
    HRESULT STDMETHODCALLTYPE FindPin(LPCWSTR id, IPin** pin) override;
    HRESULT STDMETHODCALLTYPE QueryFilterInfo(FILTER_INFO* info) override;
    HRESULT STDMETHODCALLTYPE JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) override;
    HRESULT STDMETHODCALLTYPE QueryVendorInfo(LPWSTR*) override { return E_NOTIMPL; }
    // IFileSinkFilter: the name is taken as it is; the file is created at the first run.
    HRESULT STDMETHODCALLTYPE SetFileName(LPCOLESTR fileName, const AM_MEDIA_TYPE* type) override;
    HRESULT STDMETHODCALLTYPE GetCurFile(LPOLESTR* fileName, AM_MEDIA_TYPE* type) override;

private:
    ~TFileSink() = default;

    std::atomic<ULONG> refs_{1};
    TFileSinkPin pin_;
    std::mutex lock_;
    FILTER_STATE state_ = State_Stopped;
    IFilterGraph* graph_ = nullptr; // not held: the graph holds the filter
    std::wstring name_ = kDefaultFilterName;
    ComPtr<IReferenceClock> clock_;
    std::wstring fileName_;
    // The file was created for a run: a sink records once.
    bool recorded_ = false;
};

// ---- The pin -------------------------------------------------------------------------

HRESULT TFileSinkPin::QueryInterface(REFIID id, void** object) {
    if (object == nullptr)
        return E_POINTER;
    if (id == IID_IUnknown || id == IID_IPin)
        *object = static_cast<IPin*>(this);
    else if (id == IID_IMemInputPin)
        *object = static_cast<IMemInputPin*>(this);
    else if (id == IID_IStream || id == IID_ISequentialStream)
        *object = static_cast<IStream*>(this);
    else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG TFileSinkPin::AddRef() {
    return filter_.AddRef();
}

ULONG TFileSinkPin::Release() {
    return filter_.Release();
}

HRESULT TFileSinkPin::OpenFile(const std::wstring& fileName) {
    std::lock_guard<std::mutex> hold(fileLock_);
    file_.reset();
    const HANDLE file =
        ::CreateFileW(fileName.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                      CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return HRESULT_FROM_WIN32(::GetLastError());
    file_.reset(file);
    const std::uint64_t freeBytes = FreeBytesFor(fileName);
    const std::uint64_t largest = LargestRecording();
    limits_ = RecordingLimits(largest, freeBytes);
    limitedByDisk_ = limits_.Hard < largest;
    position_ = end_ = 0;
    askedToEnd_ = false;
    if (limits_.Soft == 0) {
        // No room for a recording at all: nothing is left behind.
        file_.reset();
        ::DeleteFileW(fileName.c_str());
        return HRESULT_FROM_WIN32(ERROR_DISK_FULL);
    }
    return S_OK;
}

void TFileSinkPin::CloseFile() {
    std::lock_guard<std::mutex> hold(fileLock_);
    file_.reset();
}

HRESULT TFileSinkPin::ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type) {
    if (connector == nullptr || type == nullptr)
        return E_POINTER;
    if (!filter_.Stopped())
        return VFW_E_NOT_STOPPED;
    if (QueryAccept(type) != S_OK)
        return VFW_E_TYPE_NOT_ACCEPTED;
    std::lock_guard<std::mutex> hold(connectionLock_);
    if (connector_)
        return VFW_E_ALREADY_CONNECTED;
    connector_ = connector;
    subtype_ = type->subtype;
    return S_OK;
}

HRESULT TFileSinkPin::Disconnect() {
    if (!filter_.Stopped())
        return VFW_E_NOT_STOPPED;
    {
        std::lock_guard<std::mutex> hold(connectionLock_);
        if (!connector_)
            return S_FALSE;
        connector_.Reset();
    }
    CloseFile();
    return S_OK;
}

HRESULT TFileSinkPin::ConnectedTo(IPin** pin) {
    if (pin == nullptr)
        return E_POINTER;
    std::lock_guard<std::mutex> hold(connectionLock_);
    *pin = connector_.Get();
    if (*pin == nullptr)
        return VFW_E_NOT_CONNECTED;
    (*pin)->AddRef();
    return S_OK;
}

HRESULT TFileSinkPin::ConnectionMediaType(AM_MEDIA_TYPE* type) {
    if (type == nullptr)
        return E_POINTER;
    std::lock_guard<std::mutex> hold(connectionLock_);
    *type = AM_MEDIA_TYPE{};
    if (!connector_)
        return VFW_E_NOT_CONNECTED;
    type->majortype = MEDIATYPE_Stream;
    type->subtype = subtype_;
    type->bFixedSizeSamples = FALSE;
    type->bTemporalCompression = FALSE;
    type->lSampleSize = 1;
    type->formattype = GUID_NULL;
    return S_OK;
}

HRESULT TFileSinkPin::QueryPinInfo(PIN_INFO* info) {
    if (info == nullptr)
        return E_POINTER;
    info->pFilter = &filter_;
    filter_.AddRef();
    info->dir = PINDIR_INPUT;
    std::wmemcpy(info->achName, kPinName, std::size(kPinName));
    return S_OK;
}

HRESULT TFileSinkPin::QueryDirection(PIN_DIRECTION* direction) {
    if (direction == nullptr)
        return E_POINTER;
    *direction = PINDIR_INPUT;
    return S_OK;
}

HRESULT TFileSinkPin::QueryId(LPWSTR* id) {
    if (id == nullptr)
        return E_POINTER;
    return TaskMemoryText(kPinName, id);
}

HRESULT TFileSinkPin::QueryAccept(const AM_MEDIA_TYPE* type) {
    if (type == nullptr)
        return E_POINTER;
    return type->majortype == MEDIATYPE_Stream ? S_OK : S_FALSE;
}

HRESULT TFileSinkPin::EnumMediaTypes(IEnumMediaTypes** types) {
    return HandOut<TNoMediaTypes>(types);
}

HRESULT TFileSinkPin::GetAllocator(IMemAllocator** allocator) {
    if (allocator == nullptr)
        return E_POINTER;
    *allocator = nullptr;
    return VFW_E_NO_ALLOCATOR;
}

HRESULT TFileSinkPin::Receive(IMediaSample* sample) {
    if (sample == nullptr)
        return E_POINTER;
    REFERENCE_TIME start = 0;
    REFERENCE_TIME stop = 0;
    BYTE* data = nullptr;
    if (FAILED(sample->GetTime(&start, &stop)) || start < 0 || FAILED(sample->GetPointer(&data)))
        return VFW_E_SAMPLE_TIME_NOT_SET;
    const long length = sample->GetActualDataLength();
    if (length < 0)
        return E_INVALIDARG;
    ULONG written = 0;
    return WriteAt(static_cast<std::uint64_t>(start), data, static_cast<ULONG>(length), &written);
}

HRESULT TFileSinkPin::ReceiveMultiple(IMediaSample** samples, long count, long* processed) {
    if (samples == nullptr || processed == nullptr)
        return E_POINTER;
    *processed = 0;
    for (long i = 0; i < count; ++i) {
        const HRESULT result = Receive(samples[i]);
        if (result != S_OK)
            return result;
        ++*processed;
    }
    return S_OK;
}

HRESULT TFileSinkPin::Read(void* buffer, ULONG size, ULONG* read) {
    if (buffer == nullptr && size != 0)
        return STG_E_INVALIDPOINTER;
    std::lock_guard<std::mutex> hold(fileLock_);
    if (!file_)
        return STG_E_ACCESSDENIED;
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(position_);
    at.OffsetHigh = static_cast<DWORD>(position_ >> 32);
    DWORD done = 0;
    if (!::ReadFile(file_.get(), buffer, size, &done, &at) && ::GetLastError() != ERROR_HANDLE_EOF)
        return STG_E_READFAULT;
    position_ += done;
    if (read != nullptr)
        *read = done;
    return done == size ? S_OK : S_FALSE;
}

HRESULT TFileSinkPin::Write(const void* buffer, ULONG size, ULONG* written) {
    std::uint64_t position = 0;
    {
        std::lock_guard<std::mutex> hold(fileLock_);
        position = position_;
    }
    return WriteAt(position, buffer, size, written);
}

// What cannot be written (no file, past the hard limit, refused by the disk) is dropped,
// and the write still answers success: Wine's multiplexer, given a failed write, never
// stops, and its graph can then neither stop nor be taken apart. The recording is asked
// to end instead, once, with the reason; the user is told.
HRESULT TFileSinkPin::WriteAt(std::uint64_t position, const void* buffer, ULONG size,
                              ULONG* written) {
    if (written != nullptr)
        *written = 0;
    if (buffer == nullptr && size != 0)
        return STG_E_INVALIDPOINTER;
    bool askToEnd = false;
    TRecordingEnd reason = TRecordingEnd::WriteFailed;
    {
        std::lock_guard<std::mutex> hold(fileLock_);
        const TSinkWrite verdict = file_ ? JudgeWrite(position, size, limits_) : TSinkWrite::Refuse;
        bool wrote = false;
        if (verdict != TSinkWrite::Refuse) {
            OVERLAPPED at{};
            at.Offset = static_cast<DWORD>(position);
            at.OffsetHigh = static_cast<DWORD>(position >> 32);
            DWORD done = 0;
            wrote = ::WriteFile(file_.get(), buffer, size, &done, &at) && done == size;
        }
        if (wrote && position + size > end_)
            end_ = position + size;
        position_ = position + size;
        if (file_ && (!wrote || verdict == TSinkWrite::WriteAndWarn) && !askedToEnd_) {
            askedToEnd_ = askToEnd = true;
            if (wrote || verdict == TSinkWrite::Refuse)
                reason = limitedByDisk_ ? TRecordingEnd::DiskSpace : TRecordingEnd::SizeLimit;
        }
    }
    if (askToEnd)
        AskToEnd(reason);
    if (written != nullptr)
        *written = size;
    return S_OK;
}

void TFileSinkPin::AskToEnd(TRecordingEnd reason) {
    filter_.Notify(kEcRecordingEnds, static_cast<LONG_PTR>(reason), 0);
}

HRESULT TFileSinkPin::Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* position) {
    std::lock_guard<std::mutex> hold(fileLock_);
    std::uint64_t target = 0;
    if (!SeekPosition(static_cast<int>(origin), move.QuadPart, position_, end_, target))
        return STG_E_INVALIDFUNCTION;
    position_ = target;
    if (position != nullptr)
        position->QuadPart = target;
    return S_OK;
}

HRESULT TFileSinkPin::SetSize(ULARGE_INTEGER size) {
    std::lock_guard<std::mutex> hold(fileLock_);
    if (!file_)
        return STG_E_ACCESSDENIED;
    if (size.QuadPart > limits_.Hard)
        return STG_E_MEDIUMFULL;
    LARGE_INTEGER at{};
    at.QuadPart = static_cast<LONGLONG>(size.QuadPart);
    if (!::SetFilePointerEx(file_.get(), at, nullptr, FILE_BEGIN) || !::SetEndOfFile(file_.get()))
        return STG_E_MEDIUMFULL;
    end_ = size.QuadPart;
    return S_OK;
}

HRESULT TFileSinkPin::Stat(STATSTG* stat, DWORD) {
    if (stat == nullptr)
        return STG_E_INVALIDPOINTER;
    std::lock_guard<std::mutex> hold(fileLock_);
    *stat = STATSTG{};
    stat->type = STGTY_STREAM;
    stat->cbSize.QuadPart = end_;
    stat->grfMode = STGM_READWRITE;
    return S_OK;
}

// ---- The filter ----------------------------------------------------------------------

HRESULT TFileSink::QueryInterface(REFIID id, void** object) {
    if (object == nullptr)
        return E_POINTER;
    if (id == IID_IUnknown || id == IID_IBaseFilter || id == IID_IMediaFilter || id == IID_IPersist)
        *object = static_cast<IBaseFilter*>(this);
    else if (id == IID_IFileSinkFilter)
        *object = static_cast<IFileSinkFilter*>(this);
    else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

void TFileSink::Notify(long code, LONG_PTR param1, LONG_PTR param2) {
    ComPtr<IMediaEventSink> sink;
    {
        std::lock_guard<std::mutex> hold(lock_);
        if (graph_ == nullptr ||
            FAILED(graph_->QueryInterface(IID_IMediaEventSink,
                                          reinterpret_cast<void**>(sink.GetAddressOf()))))
            return;
    }
    if (sink)
        sink->Notify(code, param1, param2);
}

HRESULT TFileSink::Stop() {
    std::lock_guard<std::mutex> hold(lock_);
    state_ = State_Stopped;
    return S_OK;
}

HRESULT TFileSink::Pause() {
    std::wstring fileName;
    {
        std::lock_guard<std::mutex> hold(lock_);
        if (state_ != State_Stopped) {
            state_ = State_Paused;
            return S_OK;
        }
        if (fileName_.empty())
            return E_FAIL;
        if (recorded_)
            return HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS);
        fileName = fileName_;
    }
    const HRESULT result = pin_.OpenFile(fileName);
    if (FAILED(result))
        return result;
    std::lock_guard<std::mutex> hold(lock_);
    recorded_ = true;
    state_ = State_Paused;
    return S_OK;
}

HRESULT TFileSink::Run(REFERENCE_TIME) {
    if (Stopped()) {
        const HRESULT result = Pause();
        if (FAILED(result))
            return result;
    }
    std::lock_guard<std::mutex> hold(lock_);
    state_ = State_Running;
    return S_OK;
}

HRESULT TFileSink::GetState(DWORD, FILTER_STATE* state) {
    if (state == nullptr)
        return E_POINTER;
    std::lock_guard<std::mutex> hold(lock_);
    *state = state_;
    return S_OK;
}

HRESULT TFileSink::SetSyncSource(IReferenceClock* clock) {
    std::lock_guard<std::mutex> hold(lock_);
    clock_ = clock;
    return S_OK;
}

HRESULT TFileSink::GetSyncSource(IReferenceClock** clock) {
    if (clock == nullptr)
        return E_POINTER;
    std::lock_guard<std::mutex> hold(lock_);
    *clock = clock_.Get();
    if (*clock != nullptr)
        (*clock)->AddRef();
    return S_OK;
}

HRESULT TFileSink::EnumPins(IEnumPins** pins) {
    return HandOut<TPinEnumerator>(pins, &pin_, 0UL);
}

HRESULT TFileSink::FindPin(LPCWSTR id, IPin** pin) {
    if (id == nullptr || pin == nullptr)
        return E_POINTER;
    *pin = nullptr;
    if (std::wcscmp(id, kPinName) != 0)
        return VFW_E_NOT_FOUND;
    *pin = &pin_;
    pin_.AddRef();
    return S_OK;
}

HRESULT TFileSink::QueryFilterInfo(FILTER_INFO* info) {
    if (info == nullptr)
        return E_POINTER;
    std::lock_guard<std::mutex> hold(lock_);
    *info = FILTER_INFO{};
    const std::size_t length = std::min<std::size_t>(name_.size(), MAX_FILTER_NAME - 1);
    std::wmemcpy(info->achName, name_.c_str(), length);
    info->achName[length] = L'\0';
    info->pGraph = graph_;
    if (graph_ != nullptr)
        graph_->AddRef();
    return S_OK;
}

HRESULT TFileSink::JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) {
    {
        std::lock_guard<std::mutex> hold(lock_);
        graph_ = graph;
        name_ = name != nullptr ? name : kDefaultFilterName;
    }
    if (graph == nullptr)
        pin_.CloseFile();
    return S_OK;
}

HRESULT TFileSink::SetFileName(LPCOLESTR fileName, const AM_MEDIA_TYPE*) {
    if (fileName == nullptr)
        return E_POINTER;
    std::lock_guard<std::mutex> hold(lock_);
    if (state_ != State_Stopped)
        return VFW_E_WRONG_STATE;
    fileName_ = fileName;
    recorded_ = false;
    return S_OK;
}

HRESULT TFileSink::GetCurFile(LPOLESTR* fileName, AM_MEDIA_TYPE* type) {
    if (fileName == nullptr)
        return E_POINTER;
    *fileName = nullptr;
    if (type != nullptr)
        *type = AM_MEDIA_TYPE{};
    std::lock_guard<std::mutex> hold(lock_);
    if (fileName_.empty())
        return E_FAIL;
    if (type != nullptr) {
        type->majortype = MEDIATYPE_Stream;
        type->subtype = MEDIASUBTYPE_Avi;
    }
    return TaskMemoryText(fileName_, fileName);
}

} // namespace

HRESULT CreateFileSink(REFIID id, void** object) {
    if (object == nullptr)
        return E_POINTER;
    *object = nullptr;
    const ComPtr<TFileSink> sink = AdoptReference(new (std::nothrow) TFileSink());
    if (!sink)
        return E_OUTOFMEMORY;
    return sink->QueryInterface(id, object);
}

} // namespace tb
