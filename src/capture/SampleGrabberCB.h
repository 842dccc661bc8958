// Receives frames from the sample grabber on the graph's streaming thread and hands
// them to the capture control's window: one lock, one byte buffer, two posted messages.
// A plain object owned by the control: its reference count is fixed.
#pragma once

#include "capture/MediaIds.h"

#include <windows.h>

#include <cstdint>
#include <vector>

namespace tb {

class TSampleGrabberCB final : public ISampleGrabberCB {
public:
    TSampleGrabberCB();
    ~TSampleGrabberCB();
    TSampleGrabberCB(const TSampleGrabberCB&) = delete;
    TSampleGrabberCB& operator=(const TSampleGrabberCB&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
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
    CRITICAL_SECTION lock_;
};

} // namespace tb
