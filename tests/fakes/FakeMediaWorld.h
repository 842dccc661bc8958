// A ready media platform of fakes for capture tests: the device enumerator, and fresh
// fakes for every class the capture graph creates (filter graph, capture graph builder,
// smart tee, infinite tee, null renderer, sample grabber), all writing into one log.
// The DV decoder and splitter are not registered (as on Wine); register them when a
// test needs them. The world must outlive every user of its platform.
#pragma once

#include "fakes/FakeCaptureGraphBuilder.h"
#include "fakes/FakeDeviceEnum.h"
#include "fakes/FakeFilterParts.h"
#include "fakes/FakeMediaPlatform.h"

#include <memory>

namespace tbfake {

class TFakeMediaWorld {
public:
    TFakeMediaWorld();
    TFakeMediaWorld(const TFakeMediaWorld&) = delete;
    TFakeMediaWorld& operator=(const TFakeMediaWorld&) = delete;

    // A video capture device named so, whose moniker binds to a capture filter with a
    // capture pin, a stream configuration in this format and driver dialogs.
    ComPtr<FakeFilter> AddCamera(const std::wstring& name, const TFakeMediaType& format);
    // An entry of another category whose moniker binds to a plain filter.
    ComPtr<FakeFilter> AddDevice(REFCLSID category, const std::wstring& name);

    TCallLog& Log() { return *log_; }
    const std::shared_ptr<FakeMediaPlatform>& Platform() const { return platform_; }
    const ComPtr<FakeDeviceEnumerator>& DeviceEnumerator() const { return devices_; }
    // The objects made most recently through the platform (none before).
    const ComPtr<FakeFilterGraph>& Graph() const { return graph_; }
    const ComPtr<FakeCaptureGraphBuilder>& Builder() const { return builder_; }
    const ComPtr<FakeSampleGrabber>& Grabber() const { return grabber_; }
    const ComPtr<FakeFilter>& SmartTee() const { return smartTee_; }

private:
    std::shared_ptr<TCallLog> log_;
    std::shared_ptr<FakeMediaPlatform> platform_;
    ComPtr<FakeDeviceEnumerator> devices_;
    ComPtr<FakeFilterGraph> graph_;
    ComPtr<FakeCaptureGraphBuilder> builder_;
    ComPtr<FakeSampleGrabber> grabber_;
    ComPtr<FakeFilter> smartTee_;
};

} // namespace tbfake
