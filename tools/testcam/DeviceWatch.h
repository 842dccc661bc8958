// Watches whether a device is plugged in for as long as its filter belongs to a graph,
// and reports each change, as a hot-plugged capture device does: the graph hears of a
// removal and of an arrival whatever state it is in, stopped included, so an application
// can bring its picture back when the device returns.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace testcam {

class DeviceWatch {
public:
    // `unplugged` is asked every few tens of milliseconds; `changed` is called (on the
    // watch's own thread) with the new state each time the answer changes. The state at
    // construction is the starting point and is not reported.
    DeviceWatch(std::function<bool()> unplugged, std::function<void(bool unplugged)> changed);
    // Stops the watch and waits for its thread.
    ~DeviceWatch();
    DeviceWatch(const DeviceWatch&) = delete;
    DeviceWatch& operator=(const DeviceWatch&) = delete;

private:
    void Loop();

    std::function<bool()> unplugged_;
    std::function<void(bool)> changed_;
    std::mutex lock_;
    std::condition_variable wake_;
    bool stop_ = false;
    bool last_;
    std::thread thread_;
};

} // namespace testcam
