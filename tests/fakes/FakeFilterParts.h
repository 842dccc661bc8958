// Fakes of the interfaces that filters carry beside IBaseFilter: stream configuration,
// driver and compressor dialogs, property pages, the DV decoder's resolution, dropped
// frames, the AVI multiplexer's configuration; and two filters with interfaces of their
// own, the sample grabber and the file writer. Each logs under its name and keeps what
// it was told for the test to read.
#pragma once

#include "fakes/FakeFilter.h"
#include "fakes/FakeMediaTypes.h"
#include "media/MediaIds.h"

#include <dshow.h>
#include <ocidl.h>

#include <memory>

namespace tbfake {

// IAMStreamConfig: GetFormat hands out a copy of the current type in task memory;
// SetFormat (logged as "Config.SetFormat(MEDIASUBTYPE_RGB24 640x480x24)") replaces it.
class FakeStreamConfig final : public TFakeObject, public IAMStreamConfig {
public:
    FakeStreamConfig(std::wstring name, std::shared_ptr<TCallLog> log, TFakeMediaType current);
    TBFAKE_IUNKNOWN
    const TFakeMediaType& Current() const { return current_; }
    void SetCurrent(TFakeMediaType type) { current_ = std::move(type); }
    // Property pages answered for ISpecifyPropertyPages (none unless set).
    void SetPropertyPages(ComPtr<IUnknown> pages) { pages_ = std::move(pages); }

    HRESULT STDMETHODCALLTYPE SetFormat(AM_MEDIA_TYPE* type) override;
    HRESULT STDMETHODCALLTYPE GetFormat(AM_MEDIA_TYPE** type) override;
    HRESULT STDMETHODCALLTYPE GetNumberOfCapabilities(int* count, int* size) override;
    HRESULT STDMETHODCALLTYPE GetStreamCaps(int index, AM_MEDIA_TYPE** type, BYTE* caps) override;

private:
    void* Interface(REFIID interfaceId) override;
    HRESULT QueryOther(REFIID interfaceId, void** object) override;
    TFakeMediaType current_;
    ComPtr<IUnknown> pages_;
};

// IAMVfwCaptureDialogs: HasDialog answers S_OK unless scripted ("HasDialog(1)").
class FakeVfwCaptureDialogs final : public TFakeObject, public IAMVfwCaptureDialogs {
public:
    FakeVfwCaptureDialogs(std::wstring name, std::shared_ptr<TCallLog> log);
    TBFAKE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE HasDialog(int dialog) override;
    HRESULT STDMETHODCALLTYPE ShowDialog(int dialog, HWND owner) override;
    HRESULT STDMETHODCALLTYPE SendDriverMessage(int, int, long, long) override;

private:
    void* Interface(REFIID interfaceId) override;
};

// IAMVfwCompressDialogs.
class FakeVfwCompressDialogs final : public TFakeObject, public IAMVfwCompressDialogs {
public:
    FakeVfwCompressDialogs(std::wstring name, std::shared_ptr<TCallLog> log);
    TBFAKE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE ShowDialog(int dialog, HWND owner) override;
    HRESULT STDMETHODCALLTYPE GetState(LPVOID state, int* size) override;
    HRESULT STDMETHODCALLTYPE SetState(LPVOID state, int size) override;
    HRESULT STDMETHODCALLTYPE SendDriverMessage(int, long, long) override;

private:
    void* Interface(REFIID interfaceId) override;
};

// ISpecifyPropertyPages: GetPages hands out the page identifiers in task memory.
class FakePropertyPages final : public TFakeObject, public ISpecifyPropertyPages {
public:
    FakePropertyPages(std::wstring name, std::shared_ptr<TCallLog> log, std::vector<GUID> pages);
    TBFAKE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE GetPages(CAUUID* pages) override;

private:
    void* Interface(REFIID interfaceId) override;
    std::vector<GUID> pages_;
};

// IAMCrossbar of a capture card: offers property pages (given or none); its routing
// methods are not implemented.
class FakeCrossbar final : public TFakeObject, public IAMCrossbar, public ISpecifyPropertyPages {
public:
    FakeCrossbar(std::wstring name, std::shared_ptr<TCallLog> log);
    TBFAKE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE get_PinCounts(long*, long*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CanRoute(long, long) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Route(long, long) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_IsRoutedTo(long, long*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_CrossbarPinInfo(BOOL, long, long*, long*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetPages(CAUUID* pages) override;

private:
    void* Interface(REFIID interfaceId) override;
};

// IIPDVDec: the DV decoder's display resolution.
class FakeDvDecoderResolution final : public TFakeObject, public IIPDVDec {
public:
    FakeDvDecoderResolution(std::wstring name, std::shared_ptr<TCallLog> log);
    TBFAKE_IUNKNOWN
    int Resolution() const { return resolution_; }
    HRESULT STDMETHODCALLTYPE get_IPDisplay(int* resolution) override;
    HRESULT STDMETHODCALLTYPE put_IPDisplay(int resolution) override;

private:
    void* Interface(REFIID interfaceId) override;
    int resolution_ = 0;
};

// IAMDroppedFrames with counts the test sets.
class FakeDroppedFrames final : public TFakeObject, public IAMDroppedFrames {
public:
    FakeDroppedFrames(std::wstring name, std::shared_ptr<TCallLog> log);
    TBFAKE_IUNKNOWN
    void SetCounts(long dropped, long notDropped) {
        dropped_ = dropped;
        notDropped_ = notDropped;
    }
    HRESULT STDMETHODCALLTYPE GetNumDropped(long* count) override;
    HRESULT STDMETHODCALLTYPE GetNumNotDropped(long* count) override;
    HRESULT STDMETHODCALLTYPE GetDroppedInfo(long, long*, long*) override;
    HRESULT STDMETHODCALLTYPE GetAverageFrameSize(long*) override;

private:
    void* Interface(REFIID interfaceId) override;
    long dropped_ = 0;
    long notDropped_ = 0;
};

// IConfigAviMux.
class FakeAviMuxConfig final : public TFakeObject, public IConfigAviMux {
public:
    FakeAviMuxConfig(std::wstring name, std::shared_ptr<TCallLog> log);
    TBFAKE_IUNKNOWN
    LONG MasterStream() const { return master_; }
    BOOL CompatibilityIndex() const { return compatibility_; }
    HRESULT STDMETHODCALLTYPE SetMasterStream(LONG stream) override;
    HRESULT STDMETHODCALLTYPE GetMasterStream(LONG* stream) override;
    HRESULT STDMETHODCALLTYPE SetOutputCompatibilityIndex(BOOL compatible) override;
    HRESULT STDMETHODCALLTYPE GetOutputCompatibilityIndex(BOOL* compatible) override;

private:
    void* Interface(REFIID interfaceId) override;
    LONG master_ = -1;
    BOOL compatibility_ = FALSE;
};

// The sample grabber: a filter that also answers ISampleGrabber. DeliverBuffer and
// DeliverSample call the callback as the streaming thread would.
class FakeSampleGrabber final : public FakeFilter, public ISampleGrabber {
public:
    FakeSampleGrabber(std::wstring name, std::shared_ptr<TCallLog> log);
    TBFAKE_IUNKNOWN
    const TFakeMediaType& Requested() const { return requested_; }
    void SetConnected(TFakeMediaType type) { connected_ = std::move(type); }
    ISampleGrabberCB* Callback() const { return callback_.Get(); }
    LONG CallbackMethod() const { return method_; }
    BOOL BufferSamples() const { return buffer_; }
    BOOL OneShot() const { return oneShot_; }
    HRESULT DeliverBuffer(double time, BYTE* data, LONG length);

    HRESULT STDMETHODCALLTYPE SetOneShot(BOOL oneShot) override;
    HRESULT STDMETHODCALLTYPE SetMediaType(const AM_MEDIA_TYPE* type) override;
    HRESULT STDMETHODCALLTYPE GetConnectedMediaType(AM_MEDIA_TYPE* type) override;
    HRESULT STDMETHODCALLTYPE SetBufferSamples(BOOL buffer) override;
    HRESULT STDMETHODCALLTYPE GetCurrentBuffer(LONG* size, LONG* buffer) override;
    HRESULT STDMETHODCALLTYPE GetCurrentSample(IMediaSample** sample) override;
    HRESULT STDMETHODCALLTYPE SetCallback(ISampleGrabberCB* callback, LONG method) override;

private:
    void* Interface(REFIID interfaceId) override;
    TFakeMediaType requested_;
    TFakeMediaType connected_;
    ComPtr<ISampleGrabberCB> callback_;
    LONG method_ = -1;
    BOOL buffer_ = FALSE;
    BOOL oneShot_ = FALSE;
};

// The file writer: a filter that also answers IFileSinkFilter and IFileSinkFilter2.
class FakeFileWriter final : public FakeFilter, public IFileSinkFilter2 {
public:
    FakeFileWriter(std::wstring name, std::shared_ptr<TCallLog> log);
    TBFAKE_IUNKNOWN
    const std::wstring& FileName() const { return fileName_; }
    DWORD Mode() const { return mode_; }
    HRESULT STDMETHODCALLTYPE SetFileName(LPCOLESTR name, const AM_MEDIA_TYPE* type) override;
    HRESULT STDMETHODCALLTYPE GetCurFile(LPOLESTR* name, AM_MEDIA_TYPE* type) override;
    HRESULT STDMETHODCALLTYPE SetMode(DWORD flags) override;
    HRESULT STDMETHODCALLTYPE GetMode(DWORD* flags) override;

private:
    void* Interface(REFIID interfaceId) override;
    std::wstring fileName_;
    DWORD mode_ = 0;
};

// A capture device filter with a capture output pin, a video stream configuration
// ("Name.Config") and driver dialogs ("Name.Dialogs") attached.
ComPtr<FakeFilter> MakeCaptureFilter(const std::wstring& name, const std::shared_ptr<TCallLog>& log,
                                     const TFakeMediaType& format);

} // namespace tbfake
