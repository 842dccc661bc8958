#include "fakes/FakeFilterParts.h"

#include "media/MediaIds.h"
#include "fakes/GuidNames.h"

#include <cstring>
#include <memory>

namespace tbfake {

FakeStreamConfig::FakeStreamConfig(std::wstring name, std::shared_ptr<TCallLog> log,
                                   TFakeMediaType current)
    : TFakeObject(std::move(name), std::move(log)), current_(std::move(current)) {}

void* FakeStreamConfig::Interface(REFIID interfaceId) {
    if (interfaceId == IID_IUnknown || interfaceId == IID_IAMStreamConfig)
        return static_cast<IAMStreamConfig*>(this);
    return nullptr;
}

HRESULT FakeStreamConfig::QueryOther(REFIID interfaceId, void** object) {
    if (pages_ && interfaceId == IID_ISpecifyPropertyPages)
        return pages_->QueryInterface(interfaceId, object);
    return E_NOINTERFACE;
}

HRESULT FakeStreamConfig::SetFormat(AM_MEDIA_TYPE* type) {
    if (type == nullptr)
        return Call(L"SetFormat", L"null", E_POINTER);
    TFakeMediaType requested = CopyOf(*type);
    const HRESULT result = Call(L"SetFormat", Describe(requested));
    if (SUCCEEDED(result))
        current_ = std::move(requested);
    return result;
}

HRESULT FakeStreamConfig::GetFormat(AM_MEDIA_TYPE** type) {
    if (type == nullptr)
        return E_POINTER;
    *type = nullptr;
    const HRESULT result = Call(L"GetFormat");
    if (FAILED(result))
        return result;
    *type = NewTaskMediaType(current_);
    return *type != nullptr ? result : E_OUTOFMEMORY;
}

HRESULT FakeStreamConfig::GetNumberOfCapabilities(int* count, int* size) {
    if (count == nullptr || size == nullptr)
        return E_POINTER;
    *count = 1;
    *size = sizeof(VIDEO_STREAM_CONFIG_CAPS);
    return Call(L"GetNumberOfCapabilities");
}

HRESULT FakeStreamConfig::GetStreamCaps(int index, AM_MEDIA_TYPE** type, BYTE* caps) {
    if (type == nullptr || caps == nullptr)
        return E_POINTER;
    *type = nullptr;
    const HRESULT result = Call(L"GetStreamCaps", std::to_wstring(index));
    if (FAILED(result))
        return result;
    if (index != 0)
        return S_FALSE;
    std::memset(caps, 0, sizeof(VIDEO_STREAM_CONFIG_CAPS));
    *type = NewTaskMediaType(current_);
    return *type != nullptr ? result : E_OUTOFMEMORY;
}

FakeVfwCaptureDialogs::FakeVfwCaptureDialogs(std::wstring name, std::shared_ptr<TCallLog> log)
    : TFakeObject(std::move(name), std::move(log)) {}

void* FakeVfwCaptureDialogs::Interface(REFIID interfaceId) {
    if (interfaceId == IID_IUnknown || interfaceId == IID_IAMVfwCaptureDialogs)
        return static_cast<IAMVfwCaptureDialogs*>(this);
    return nullptr;
}

HRESULT FakeVfwCaptureDialogs::HasDialog(int dialog) {
    return Call(L"HasDialog", std::to_wstring(dialog));
}

HRESULT FakeVfwCaptureDialogs::ShowDialog(int dialog, HWND) {
    return Call(L"ShowDialog", std::to_wstring(dialog));
}

HRESULT FakeVfwCaptureDialogs::SendDriverMessage(int, int, long, long) {
    return NotImplemented(L"SendDriverMessage");
}

FakeVfwCompressDialogs::FakeVfwCompressDialogs(std::wstring name, std::shared_ptr<TCallLog> log)
    : TFakeObject(std::move(name), std::move(log)) {}

void* FakeVfwCompressDialogs::Interface(REFIID interfaceId) {
    if (interfaceId == IID_IUnknown || interfaceId == IID_IAMVfwCompressDialogs)
        return static_cast<IAMVfwCompressDialogs*>(this);
    return nullptr;
}

HRESULT FakeVfwCompressDialogs::ShowDialog(int dialog, HWND) {
    return Call(L"ShowDialog", std::to_wstring(dialog));
}

HRESULT FakeVfwCompressDialogs::GetState(LPVOID, int*) {
    return NotImplemented(L"GetState");
}

HRESULT FakeVfwCompressDialogs::SetState(LPVOID, int) {
    return NotImplemented(L"SetState");
}

HRESULT FakeVfwCompressDialogs::SendDriverMessage(int, long, long) {
    return NotImplemented(L"SendDriverMessage");
}

FakePropertyPages::FakePropertyPages(std::wstring name, std::shared_ptr<TCallLog> log,
                                     std::vector<GUID> pages)
    : TFakeObject(std::move(name), std::move(log)), pages_(std::move(pages)) {}

void* FakePropertyPages::Interface(REFIID interfaceId) {
    if (interfaceId == IID_IUnknown || interfaceId == IID_ISpecifyPropertyPages)
        return static_cast<ISpecifyPropertyPages*>(this);
    return nullptr;
}

HRESULT FakePropertyPages::GetPages(CAUUID* pages) {
    if (pages == nullptr)
        return E_POINTER;
    pages->cElems = 0;
    pages->pElems = nullptr;
    const HRESULT result = Call(L"GetPages");
    if (FAILED(result) || pages_.empty())
        return result;
    pages->pElems = static_cast<GUID*>(::CoTaskMemAlloc(pages_.size() * sizeof(GUID)));
    if (pages->pElems == nullptr)
        return E_OUTOFMEMORY;
    std::memcpy(pages->pElems, pages_.data(), pages_.size() * sizeof(GUID));
    pages->cElems = static_cast<ULONG>(pages_.size());
    return result;
}

FakeCrossbar::FakeCrossbar(std::wstring name, std::shared_ptr<TCallLog> log)
    : TFakeObject(std::move(name), std::move(log)) {}

void* FakeCrossbar::Interface(REFIID interfaceId) {
    if (interfaceId == IID_IUnknown || interfaceId == IID_IAMCrossbar)
        return static_cast<IAMCrossbar*>(this);
    if (interfaceId == IID_ISpecifyPropertyPages)
        return static_cast<ISpecifyPropertyPages*>(this);
    return nullptr;
}

HRESULT FakeCrossbar::GetPages(CAUUID* pages) {
    if (pages == nullptr)
        return E_POINTER;
    pages->cElems = 0;
    pages->pElems = static_cast<GUID*>(::CoTaskMemAlloc(sizeof(GUID)));
    if (pages->pElems == nullptr)
        return E_OUTOFMEMORY;
    pages->pElems[0] = CLSID_NULL;
    pages->cElems = 1;
    return Call(L"GetPages");
}

FakeDvDecoderResolution::FakeDvDecoderResolution(std::wstring name, std::shared_ptr<TCallLog> log)
    : TFakeObject(std::move(name), std::move(log)) {}

void* FakeDvDecoderResolution::Interface(REFIID interfaceId) {
    if (interfaceId == IID_IUnknown || interfaceId == IID_IIPDVDec)
        return static_cast<IIPDVDec*>(this);
    return nullptr;
}

HRESULT FakeDvDecoderResolution::get_IPDisplay(int* resolution) {
    if (resolution == nullptr)
        return E_POINTER;
    *resolution = resolution_;
    return Call(L"get_IPDisplay");
}

HRESULT FakeDvDecoderResolution::put_IPDisplay(int resolution) {
    const HRESULT result = Call(L"put_IPDisplay", std::to_wstring(resolution));
    if (SUCCEEDED(result))
        resolution_ = resolution;
    return result;
}

FakeDroppedFrames::FakeDroppedFrames(std::wstring name, std::shared_ptr<TCallLog> log)
    : TFakeObject(std::move(name), std::move(log)) {}

void* FakeDroppedFrames::Interface(REFIID interfaceId) {
    if (interfaceId == IID_IUnknown || interfaceId == IID_IAMDroppedFrames)
        return static_cast<IAMDroppedFrames*>(this);
    return nullptr;
}

HRESULT FakeDroppedFrames::GetNumDropped(long* count) {
    if (count == nullptr)
        return E_POINTER;
    *count = dropped_;
    return Call(L"GetNumDropped");
}

HRESULT FakeDroppedFrames::GetNumNotDropped(long* count) {
    if (count == nullptr)
        return E_POINTER;
    *count = notDropped_;
    return Call(L"GetNumNotDropped");
}

HRESULT FakeDroppedFrames::GetDroppedInfo(long, long*, long*) {
    return NotImplemented(L"GetDroppedInfo");
}

HRESULT FakeDroppedFrames::GetAverageFrameSize(long*) {
    return NotImplemented(L"GetAverageFrameSize");
}

FakeAviMuxConfig::FakeAviMuxConfig(std::wstring name, std::shared_ptr<TCallLog> log)
    : TFakeObject(std::move(name), std::move(log)) {}

void* FakeAviMuxConfig::Interface(REFIID interfaceId) {
    if (interfaceId == IID_IUnknown || interfaceId == IID_IConfigAviMux)
        return static_cast<IConfigAviMux*>(this);
    return nullptr;
}

HRESULT FakeAviMuxConfig::SetMasterStream(LONG stream) {
    const HRESULT result = Call(L"SetMasterStream", std::to_wstring(stream));
    if (SUCCEEDED(result))
        master_ = stream;
    return result;
}

HRESULT FakeAviMuxConfig::GetMasterStream(LONG* stream) {
    if (stream == nullptr)
        return E_POINTER;
    *stream = master_;
    return Call(L"GetMasterStream");
}

HRESULT FakeAviMuxConfig::SetOutputCompatibilityIndex(BOOL compatible) {
    const HRESULT result = Call(L"SetOutputCompatibilityIndex", compatible ? L"TRUE" : L"FALSE");
    if (SUCCEEDED(result))
        compatibility_ = compatible;
    return result;
}

HRESULT FakeAviMuxConfig::GetOutputCompatibilityIndex(BOOL* compatible) {
    if (compatible == nullptr)
        return E_POINTER;
    *compatible = compatibility_;
    return Call(L"GetOutputCompatibilityIndex");
}

FakeSampleGrabber::FakeSampleGrabber(std::wstring name, std::shared_ptr<TCallLog> log)
    : FakeFilter(std::move(name), std::move(log), tb::kClsidSampleGrabber) {
    AddPin(L"Input", PINDIR_INPUT);
    AddPin(L"Output", PINDIR_OUTPUT);
}

void* FakeSampleGrabber::Interface(REFIID interfaceId) {
    if (interfaceId == __uuidof(ISampleGrabber))
        return static_cast<ISampleGrabber*>(this);
    return FakeFilter::Interface(interfaceId);
}

HRESULT FakeSampleGrabber::DeliverBuffer(double time, BYTE* data, LONG length) {
    if (!callback_)
        return E_FAIL;
    return callback_->BufferCB(time, data, length);
}

HRESULT FakeSampleGrabber::SetOneShot(BOOL oneShot) {
    const HRESULT result = Call(L"SetOneShot", oneShot ? L"TRUE" : L"FALSE");
    if (SUCCEEDED(result))
        oneShot_ = oneShot;
    return result;
}

HRESULT FakeSampleGrabber::SetMediaType(const AM_MEDIA_TYPE* type) {
    if (type == nullptr)
        return Call(L"SetMediaType", L"null", E_POINTER);
    TFakeMediaType requested = CopyOf(*type);
    const HRESULT result =
        Call(L"SetMediaType", GuidName(requested.majorType) + L", " + GuidName(requested.subtype) +
                                  L", " + GuidName(requested.formatType));
    if (SUCCEEDED(result))
        requested_ = std::move(requested);
    return result;
}

HRESULT FakeSampleGrabber::GetConnectedMediaType(AM_MEDIA_TYPE* type) {
    if (type == nullptr)
        return E_POINTER;
    const HRESULT result = Call(L"GetConnectedMediaType");
    if (FAILED(result))
        return result;
    FillMediaType(connected_, *type);
    return result;
}

HRESULT FakeSampleGrabber::SetBufferSamples(BOOL buffer) {
    const HRESULT result = Call(L"SetBufferSamples", buffer ? L"TRUE" : L"FALSE");
    if (SUCCEEDED(result))
        buffer_ = buffer;
    return result;
}

HRESULT FakeSampleGrabber::GetCurrentBuffer(LONG*, LONG*) {
    return NotImplemented(L"GetCurrentBuffer");
}

HRESULT FakeSampleGrabber::GetCurrentSample(IMediaSample**) {
    return NotImplemented(L"GetCurrentSample");
}

HRESULT FakeSampleGrabber::SetCallback(ISampleGrabberCB* callback, LONG method) {
    const HRESULT result = Call(
        L"SetCallback", (callback != nullptr ? std::wstring(L"callback") : std::wstring(L"null")) +
                            L", " + std::to_wstring(method));
    if (SUCCEEDED(result)) {
        callback_ = callback;
        method_ = method;
    }
    return result;
}

FakeFileWriter::FakeFileWriter(std::wstring name, std::shared_ptr<TCallLog> log)
    : FakeFilter(std::move(name), std::move(log)) {
    AddPin(L"In", PINDIR_INPUT);
}

void* FakeFileWriter::Interface(REFIID interfaceId) {
    if (interfaceId == IID_IFileSinkFilter || interfaceId == IID_IFileSinkFilter2)
        return static_cast<IFileSinkFilter2*>(this);
    return FakeFilter::Interface(interfaceId);
}

HRESULT FakeFileWriter::SetFileName(LPCOLESTR name, const AM_MEDIA_TYPE*) {
    const std::wstring file = name != nullptr ? name : L"";
    const HRESULT result = Call(L"SetFileName", file);
    if (SUCCEEDED(result))
        fileName_ = file;
    return result;
}

HRESULT FakeFileWriter::GetCurFile(LPOLESTR* name, AM_MEDIA_TYPE* type) {
    if (name == nullptr)
        return E_POINTER;
    *name = nullptr;
    const HRESULT result = Call(L"GetCurFile");
    if (FAILED(result))
        return result;
    const std::size_t bytes = (fileName_.size() + 1) * sizeof(wchar_t);
    *name = static_cast<LPOLESTR>(::CoTaskMemAlloc(bytes));
    if (*name == nullptr)
        return E_OUTOFMEMORY;
    std::memcpy(*name, fileName_.c_str(), bytes);
    if (type != nullptr)
        *type = AM_MEDIA_TYPE{};
    return result;
}

HRESULT FakeFileWriter::SetMode(DWORD flags) {
    const HRESULT result = Call(L"SetMode", std::to_wstring(flags));
    if (SUCCEEDED(result))
        mode_ = flags;
    return result;
}

HRESULT FakeFileWriter::GetMode(DWORD* flags) {
    if (flags == nullptr)
        return E_POINTER;
    *flags = mode_;
    return Call(L"GetMode");
}

ComPtr<FakeFilter> MakeCaptureFilter(const std::wstring& name, const std::shared_ptr<TCallLog>& log,
                                     const TFakeMediaType& format) {
    auto filter = MakeFake<FakeFilter>(name, log);
    filter->AddPin(L"Capture", PINDIR_OUTPUT);
    filter->Attach(IID_IAMStreamConfig, MakeFake<FakeStreamConfig>(name + L".Config", log, format));
    filter->Attach(IID_IAMVfwCaptureDialogs,
                   MakeFake<FakeVfwCaptureDialogs>(name + L".Dialogs", log));
    return filter;
}

} // namespace tbfake
