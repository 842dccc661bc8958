// Sample grabber callback of the camera end-to-end test: keeps the last two frames
// with their time stamps and the arrival time of every frame, under one lock, since it
// is called on the graph's streaming thread.
#pragma once

#include <windows.h>
#include <dshow.h>
#include <qedit.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

namespace e2e {

struct GrabbedFrame {
    int64_t start = -1; // sample start time, 100 ns
    int64_t end = -1;
    std::vector<uint8_t> bytes;
};

struct FrameStats {
    long count = 0;
    double firstArrival = 0; // seconds, performance counter
    double lastArrival = 0;
    GrabbedFrame previous;
    GrabbedFrame latest;
    std::vector<int64_t> starts; // every sample start time, in order
};

class FrameCollector final : public ISampleGrabberCB {
public:
    FrameStats Snapshot();
    void Clear();
    long Count();
    // Runs `action` once, on the streaming thread, when the next frame arrives.
    void OnNextFrame(std::function<void()> action);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    // Lives on the test's stack: reference counting is a formality.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE SampleCB(double time, IMediaSample* sample) override;
    HRESULT STDMETHODCALLTYPE BufferCB(double time, BYTE* buffer, long length) override;

private:
    std::mutex lock_;
    FrameStats stats_;
    std::function<void()> onNextFrame_;
};

double NowSeconds();

} // namespace e2e
