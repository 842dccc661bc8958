// The one output pin of a test source (camera or microphone): capture category, stream
// configuration (the formats of its StreamFormat), dropped-frame counts, allocator
// negotiation and the streaming thread that delivers time-stamped samples while the
// filter runs. Its reference count is the filter's: the pin lives exactly as long as its
// filter.
#pragma once

#include <windows.h>
#include <dshow.h>
#include <wrl/client.h>

#include "DeviceControl.h"
#include "MediaTypes.h"
#include "Pattern.h"
#include "StreamFormats.h"

#include <atomic>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace testcam {

class SourceFilter;

class SourcePin final : public IPin,
                        public IAMStreamConfig,
                        public IKsPropertySet,
                        public IAMDroppedFrames,
                        public ISpecifyPropertyPages {
public:
    SourcePin(SourceFilter& filter, std::unique_ptr<StreamFormat> format);
    bool Valid() const { return format_ != nullptr; }
    ~SourcePin();
    SourcePin(const SourcePin&) = delete;
    SourcePin& operator=(const SourcePin&) = delete;

    // Called by the filter on Stopped -> Paused, without the filter's lock (the
    // allocator it commits may be the downstream pin's): commits the allocator and starts
    // the streaming thread (when connected).
    HRESULT Active();
    // Called by the filter on -> Stopped, without the filter's lock: asks the streaming
    // thread to end and decommits the allocator. The thread is kept as an ending one
    // until JoinEnding waits for it.
    void Inactive();
    // Waits, holding no lock, for the ending threads, except the calling one (a stream
    // stopped from within itself): that one is waited for by the next Stop from another
    // thread, or by the pin's end; a stream started meanwhile delivers only once it is over.
    void JoinEnding();
    // Wakes the streaming thread after a state change. Called with the filter's lock.
    void Wake();
    bool DeviceUnplugged() const;

    // IUnknown (delegated to the filter)
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IPin
    HRESULT STDMETHODCALLTYPE Connect(IPin* receivePin, const AM_MEDIA_TYPE* type) override;
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
    HRESULT STDMETHODCALLTYPE QueryInternalConnections(IPin** pins, ULONG* count) override;
    HRESULT STDMETHODCALLTYPE EndOfStream() override;
    HRESULT STDMETHODCALLTYPE BeginFlush() override;
    HRESULT STDMETHODCALLTYPE EndFlush() override;
    HRESULT STDMETHODCALLTYPE NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop,
                                         double rate) override;

    // IAMStreamConfig
    HRESULT STDMETHODCALLTYPE SetFormat(AM_MEDIA_TYPE* type) override;
    HRESULT STDMETHODCALLTYPE GetFormat(AM_MEDIA_TYPE** type) override;
    HRESULT STDMETHODCALLTYPE GetNumberOfCapabilities(int* count, int* size) override;
    HRESULT STDMETHODCALLTYPE GetStreamCaps(int index, AM_MEDIA_TYPE** type, BYTE* caps) override;

    // IKsPropertySet
    HRESULT STDMETHODCALLTYPE Set(REFGUID set, DWORD id, LPVOID instance, DWORD instanceSize,
                                  LPVOID data, DWORD dataSize) override;
    HRESULT STDMETHODCALLTYPE Get(REFGUID set, DWORD id, LPVOID instance, DWORD instanceSize,
                                  LPVOID data, DWORD dataSize, DWORD* returned) override;
    HRESULT STDMETHODCALLTYPE QuerySupported(REFGUID set, DWORD id, DWORD* support) override;

    // IAMDroppedFrames
    HRESULT STDMETHODCALLTYPE GetNumDropped(long* dropped) override;
    HRESULT STDMETHODCALLTYPE GetNumNotDropped(long* notDropped) override;
    HRESULT STDMETHODCALLTYPE GetDroppedInfo(long size, long* frames, long* copied) override;
    HRESULT STDMETHODCALLTYPE GetAverageFrameSize(long* averageSize) override;

    // ISpecifyPropertyPages (video pins: the "Format" page)
    HRESULT STDMETHODCALLTYPE GetPages(CAUUID* pages) override;

private:
    // What one streaming thread works with, from its start to its end: the connection's
    // allocator and input pin as they were at the start (so the thread reads no member
    // that Disconnect changes), its own stop request and wake-up event (so a thread that
    // is still winding down never takes the next one's wake-ups or stop).
    struct Stream {
        Stream();
        ~Stream();
        Stream(const Stream&) = delete;
        Stream& operator=(const Stream&) = delete;
        void Stop();

        Microsoft::WRL::ComPtr<IMemAllocator> allocator;
        Microsoft::WRL::ComPtr<IMemInputPin> input;
        std::atomic<bool> stop{false};
        HANDLE wake = nullptr;  // auto-reset event: a state change or the end
        HANDLE ended = nullptr; // manual-reset event: its thread no longer delivers
    };
    // A stopped stream whose thread nobody has waited for yet.
    struct Ending {
        std::thread thread;
        std::shared_ptr<Stream> stream;
    };

    // Calls the downstream pin only: no lock is held.
    HRESULT DecideAllocator(IMemInputPin* input, long sampleSize,
                            Microsoft::WRL::ComPtr<IMemAllocator>* chosen);
    void StreamLoop(Stream& stream);
    HRESULT DeliverSample(Stream& stream, const SampleRenderer& renderer, int64_t index,
                          bool discontinuity);
    void CountDropped(int64_t firstIndex, int64_t count);

    SourceFilter& filter_;
    // Guarded by the filter's lock:
    std::unique_ptr<StreamFormat>
        format_; // the configured format (the connection's, once connected)
    MediaType connectionType_;
    Microsoft::WRL::ComPtr<IPin> peer_;
    Microsoft::WRL::ComPtr<IMemInputPin> peerInput_;
    Microsoft::WRL::ComPtr<IMemAllocator> allocator_;

    // The running stream and its thread (between Active and Inactive), and the stopped
    // ones whose threads may still be winding down (inside the downstream pin, say).
    std::shared_ptr<Stream> stream_;
    std::thread thread_;
    std::vector<Ending> ending_;
    DeviceControl control_;

    std::atomic<long> dropped_{0};
    std::atomic<long> delivered_{0};
    std::mutex droppedLock_;
    std::deque<long> droppedFrames_; // the most recent dropped frame numbers
};

} // namespace testcam
