// Receives frames from the sample grabber on the graph's streaming thread and hands
// them to the capture control's window: one lock, one byte buffer, two posted messages.
// A reference-counted COM object: the control and the sample grabber each hold a
// reference, so the object lives until the last of them lets it go (the grabber may
// outlive the control's graph by a little while the platform takes it apart).
#pragma once

#include "capture/MediaIds.h"

#include <windows.h>
#include <wrl/client.h>

#include <atomic>
#include <cstdint>
#include <vector>

namespace tb {

class TSampleGrabberCB final : public ISampleGrabberCB {
public:
    TSampleGrabberCB(const TSampleGrabberCB&) = delete;
    TSampleGrabberCB& operator=(const TSampleGrabberCB&) = delete;

    // A new object with one reference, which the returned pointer holds.
    static Microsoft::WRL::ComPtr<TSampleGrabberCB> Make();

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE SampleCB(double sampleTime, IMediaSample* sample) override;
    HRESULT STDMETHODCALLTYPE BufferCB(double sampleTime, BYTE* buffer, long length) override;

    void Lock();
    void Unlock();
    size_t BufferLength() const { return FrameBuffer.size(); }
    void Clear();

    std::vector<std::uint8_t> FrameBuffer;
    volatile bool BufferBusy = false;
    HWND TargetWindow = nullptr;
    volatile bool GrabRequested = false;

private:
    TSampleGrabberCB();
    ~TSampleGrabberCB();

    std::atomic<ULONG> references_{1};
    CRITICAL_SECTION lock_;
};

} // namespace tb
