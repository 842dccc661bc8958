#include "capture/SampleGrabberCB.h"

namespace tb {

TSampleGrabberCB::TSampleGrabberCB() {
    ::InitializeCriticalSection(&lock_);
}

Microsoft::WRL::ComPtr<TSampleGrabberCB> TSampleGrabberCB::Make() {
    Microsoft::WRL::ComPtr<TSampleGrabberCB> object;
    // Adopts the one reference of the new object (mingw's Attach would add another).
    *object.GetAddressOf() = new TSampleGrabberCB();
    return object;
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
    return S_OK;
}

// Copies a requested frame under the lock and posts the grabbed and rendered messages
// (frame grabbing work, not built yet).
HRESULT STDMETHODCALLTYPE TSampleGrabberCB::BufferCB(double, BYTE*, long) {
    return S_OK;
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
    Lock();
    FrameBuffer.clear();
    Unlock();
}

} // namespace tb
