// The program's one way of each COM idiom that the capture control and the device
// catalogue share: adopting a reference already owned, finding an interface on a capture
// path into a smart pointer, and owning a block of task memory freed through the media
// platform.
#pragma once

#include "media/MediaPlatform.h"

#include <windows.h>
#include <dshow.h>
#include <wrl/client.h>

#include <utility>

namespace tb {

// A smart pointer that takes over a reference the caller already owns (an object just
// made, the filter QueryPinInfo hands out). mingw's ComPtr::Attach would add one more.
template <typename T>
Microsoft::WRL::ComPtr<T> AdoptReference(T* raw) {
    Microsoft::WRL::ComPtr<T> object;
    *object.GetAddressOf() = raw;
    return object;
}

// ICaptureGraphBuilder2::FindInterface into a smart pointer, which is left empty unless the
// search succeeded. Without a builder or a filter there is nothing to search: E_POINTER.
template <typename T>
HRESULT FindOnPath(ICaptureGraphBuilder2* builder, const GUID* category, const GUID* type,
                   IBaseFilter* filter, Microsoft::WRL::ComPtr<T>& object) {
    object.Reset();
    if (builder == nullptr || filter == nullptr)
        return E_POINTER;
    const HRESULT result = builder->FindInterface(category, type, filter, __uuidof(T),
                                                  reinterpret_cast<void**>(object.GetAddressOf()));
    if (FAILED(result))
        object.Reset();
    return result;
}

// FindOnPath on a video source's pin of the category: for the interleaved (DV) type first,
// then for video. The result is the interleaved search's when that one found the
// interface, the video search's otherwise.
template <typename T>
HRESULT FindOnVideoPin(ICaptureGraphBuilder2* builder, const GUID* category, IBaseFilter* filter,
                       Microsoft::WRL::ComPtr<T>& object) {
    const HRESULT interleaved =
        FindOnPath(builder, category, &MEDIATYPE_Interleaved, filter, object);
    if (interleaved == S_OK && object)
        return interleaved;
    return FindOnPath(builder, category, &MEDIATYPE_Video, filter, object);
}

// A block of task memory that the platform handed out (a page list, an identifier's
// text), freed through the platform on every path.
template <typename T>
class TTaskMemory {
public:
    explicit TTaskMemory(IMediaPlatform& platform, T* block = nullptr)
        : platform_(platform), block_(block) {}
    ~TTaskMemory() { Reset(); }
    TTaskMemory(const TTaskMemory&) = delete;
    TTaskMemory& operator=(const TTaskMemory&) = delete;

    T* Get() const { return block_; }
    // For a call that hands a block out: the one held before is freed first.
    T** Put() {
        Reset();
        return &block_;
    }
    explicit operator bool() const { return block_ != nullptr; }
    void Reset(T* block = nullptr) {
        if (T* old = std::exchange(block_, block); old != nullptr)
            platform_.TaskMemFree(old);
    }

private:
    IMediaPlatform& platform_;
    T* block_;
};

} // namespace tb
