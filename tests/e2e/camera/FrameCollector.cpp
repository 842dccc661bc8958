#include "FrameCollector.h"

namespace e2e {

double NowSeconds() {
    LARGE_INTEGER counter{};
    LARGE_INTEGER frequency{};
    ::QueryPerformanceCounter(&counter);
    ::QueryPerformanceFrequency(&frequency);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

FrameStats FrameCollector::Snapshot() {
    std::lock_guard lock(lock_);
    return stats_;
}

void FrameCollector::Clear() {
    std::lock_guard lock(lock_);
    stats_ = FrameStats{};
}

long FrameCollector::Count() {
    std::lock_guard lock(lock_);
    return stats_.count;
}

void FrameCollector::OnNextFrame(std::function<void()> action) {
    std::lock_guard lock(lock_);
    onNextFrame_ = std::move(action);
}

HRESULT FrameCollector::QueryInterface(REFIID riid, void** object) {
    if (object == nullptr)
        return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_ISampleGrabberCB) {
        *object = static_cast<ISampleGrabberCB*>(this);
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

HRESULT FrameCollector::SampleCB(double, IMediaSample* sample) {
    BYTE* buffer = nullptr;
    if (sample == nullptr || FAILED(sample->GetPointer(&buffer)))
        return S_OK;
    REFERENCE_TIME start = -1;
    REFERENCE_TIME end = -1;
    sample->GetTime(&start, &end);
    const long length = sample->GetActualDataLength();
    const double now = NowSeconds();
    std::function<void()> action;
    {
        std::lock_guard lock(lock_);
        action = std::move(onNextFrame_);
        onNextFrame_ = nullptr;
    }
    if (action)
        action();
    std::lock_guard lock(lock_);
    if (stats_.count == 0)
        stats_.firstArrival = now;
    stats_.lastArrival = now;
    ++stats_.count;
    stats_.starts.push_back(start);
    stats_.previous = std::move(stats_.latest);
    stats_.latest.start = start;
    stats_.latest.end = end;
    stats_.latest.bytes.assign(buffer, buffer + length);
    return S_OK;
}

HRESULT FrameCollector::BufferCB(double, BYTE*, long) {
    return S_OK;
}

} // namespace e2e
