#include "DeviceWatch.h"

#include <chrono>

namespace testcam {

namespace {

// How often the device's presence is looked at: well below a user's notice, and costing
// nothing worth measuring.
constexpr auto kPollInterval = std::chrono::milliseconds(50);

} // namespace

DeviceWatch::DeviceWatch(std::function<bool()> unplugged,
                         std::function<void(bool unplugged)> changed)
    : unplugged_(std::move(unplugged)), changed_(std::move(changed)), last_(unplugged_()) {
    thread_ = std::thread([this] { Loop(); });
}

DeviceWatch::~DeviceWatch() {
    {
        std::lock_guard lock(lock_);
        stop_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

void DeviceWatch::Loop() {
    std::unique_lock lock(lock_);
    while (!wake_.wait_for(lock, kPollInterval, [this] { return stop_; })) {
        lock.unlock();
        const bool now = unplugged_();
        if (now != last_) {
            last_ = now;
            changed_(now);
        }
        lock.lock();
    }
}

} // namespace testcam
