#include "capture/SampleGrabberCB.h"

#include "capture/VideoCapture.h"
#include "media/ComHelpers.h"

#include <cstring>
#include <new>

namespace tb {

TSampleGrabberCB::TSampleGrabberCB() {
    ::InitializeCriticalSection(&lock_);
}

Microsoft::WRL::ComPtr<TSampleGrabberCB> TSampleGrabberCB::Make() {
    return AdoptReference(new TSampleGrabberCB());
}

TSampleGrabberCB::~TSampleGrabberCB() {
    Clear();
    ::DeleteCriticalSection(&lock_);
}

HRESULT STDMETHODCALLTYPE TSampleGrabberCB::QueryInterface(REFIID id, void** object) {
    if (object == nullptr)
        return E_POINTER;
    if (id == __uuidof(ISampleGrabberCB) || id == __uuidof(IUnknown)) {
        *object = static_cast<ISampleGrabberCB*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE TSampleGrabberCB::AddRef() {
    return ++references_;
}

ULONG STDMETHODCALLTYPE TSampleGrabberCB::Release() {
    const ULONG left = --references_;
    if (left == 0)
        delete this;
    return left;
}

HRESULT STDMETHODCALLTYPE TSampleGrabberCB::SampleCB(double, IMediaSample*) {
    ++FramesSeen;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TSampleGrabberCB::BufferCB(double, BYTE* buffer, long length) {
    ++FramesSeen;
    const HWND target = TargetWindow.load();
    if (target == nullptr)
        return S_OK; // detached: the control has let its graph go
    if (GrabRequested.load() && CopyFrame(buffer, length) && GrabRequested.exchange(false) &&
        !::PostMessageW(target, WM_BITMAPGRABBED, reinterpret_cast<WPARAM>(this), 0)) {
        // The announcement was refused (a full queue): the request waits for the next
        // frame rather than leaving a frame nobody takes.
        FrameReady.store(false);
        GrabRequested.store(true);
    }
    ::PostMessageW(target, WM_FRAMERENDERED, reinterpret_cast<WPARAM>(this), 0);
    return S_OK;
}

bool TSampleGrabberCB::CopyFrame(const BYTE* buffer, long length) {
    // The flags are read without the lock: a frame that finds the buffer busy is skipped
    // rather than waited for.
    if (BufferBusy.load() || FrameReady.load() || buffer == nullptr || length <= 0)
        return false;
    const auto bytes = static_cast<std::size_t>(length);
    TBufferLock lock(*this);
    try {
        // Frames of equal length reuse the buffer's memory.
        if (FrameBuffer.size() != bytes)
            FrameBuffer.resize(bytes);
    } catch (const std::bad_alloc&) {
        FrameBuffer.clear();
        FrameReady.store(false);
        return false;
    }
    std::memcpy(FrameBuffer.data(), buffer, bytes);
    FrameReady.store(true);
    return true;
}

void TSampleGrabberCB::Lock() {
    ::EnterCriticalSection(&lock_);
    BufferBusy = true;
}

void TSampleGrabberCB::Unlock() {
    BufferBusy = false;
    ::LeaveCriticalSection(&lock_);
}

void TSampleGrabberCB::Clear() {
    TBufferLock lock(*this);
    FrameBuffer.clear();
    FrameReady.store(false);
}

void TSampleGrabberCB::Detach() {
    TargetWindow.store(nullptr);
    GrabRequested.store(false);
}

} // namespace tb
