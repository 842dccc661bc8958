// Receives frames from the sample grabber on the graph's streaming thread and hands
// them to the capture control's window: one lock, one byte buffer, two posted messages.
// A reference-counted COM object: the control and the sample grabber each hold a
// reference, so the object lives until the last of them lets it go (the grabber may
// outlive the control's graph by a little while the platform takes it apart). Once
// detached from its window it takes and announces nothing more.
#pragma once

#include "media/MediaIds.h"

#include <windows.h>
#include <wrl/client.h>

#include <atomic>
#include <cstddef>
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
    // Sample-callback mode: takes nothing and posts nothing.
    HRESULT STDMETHODCALLTYPE SampleCB(double sampleTime, IMediaSample* sample) override;
    // Buffer-callback mode (streaming thread): while a grab is requested and the buffer
    // is free, copies the frame into FrameBuffer under the lock and posts
    // WM_BITMAPGRABBED once; posts WM_FRAMERENDERED for every frame. A frame that
    // arrives while the buffer is busy (locked, or holding a frame not yet taken) is
    // skipped, never waited for; a missing or empty buffer is not copied. In both cases
    // the request stays for the next frame. Always S_OK.
    HRESULT STDMETHODCALLTYPE BufferCB(double sampleTime, BYTE* buffer, long length) override;

    // The copy step of BufferCB: when the buffer is free (not locked, no frame waiting to
    // be taken) and the frame is not empty, copies it into FrameBuffer under the lock and
    // marks it ready. No allocation while frames keep their length. True when copied.
    bool CopyFrame(const BYTE* buffer, long length);

    // The buffer lock: enter the critical section and mark the buffer busy; clear the
    // mark and leave.
    void Lock();
    void Unlock();
    // The length of FrameBuffer.
    std::size_t BufferLength() const { return FrameBuffer.size(); }
    // Empties FrameBuffer under the lock.
    void Clear();
    // No more frames are taken or announced: the window is forgotten and a pending
    // request dropped (the control lets its graph go).
    void Detach();

    // Holds the lock for the life of a scope.
    class TBufferLock {
    public:
        explicit TBufferLock(TSampleGrabberCB& callback) : callback_(callback) { callback_.Lock(); }
        ~TBufferLock() { callback_.Unlock(); }
        TBufferLock(const TBufferLock&) = delete;
        TBufferLock& operator=(const TBufferLock&) = delete;

    private:
        TSampleGrabberCB& callback_;
    };

    // Copy of the last frame taken; read and written only under the lock.
    std::vector<std::uint8_t> FrameBuffer;
    // FrameBuffer holds a frame that was announced and not yet taken; set by the
    // streaming thread and cleared by the control, both under the lock. While it is set
    // no other frame is copied over it, so each request gives its own frame and each
    // frame is taken once, however many messages arrive.
    std::atomic<bool> FrameReady{false};
    // True while some thread holds the lock (read without it by the streaming thread).
    std::atomic<bool> BufferBusy{false};
    // The capture control's window; receives both messages.
    std::atomic<HWND> TargetWindow{nullptr};
    // One-shot request: copy the next frame and announce it.
    std::atomic<bool> GrabRequested{false};
    // Frames that passed the grabber, in either mode: tells the control whether the
    // stream is flowing (after a lost device, for instance).
    std::atomic<std::uint32_t> FramesSeen{0};

private:
    TSampleGrabberCB();
    ~TSampleGrabberCB();

    std::atomic<ULONG> references_{1};
    CRITICAL_SECTION lock_;
};

} // namespace tb
