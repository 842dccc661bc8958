#include "fakes/FakeMediaWorld.h"

#include "media/MediaIds.h"

#include <memory>

namespace tbfake {

TFakeMediaWorld::TFakeMediaWorld()
    : log_(MakeLog()), platform_(std::make_shared<FakeMediaPlatform>(log_)),
      devices_(MakeFake<FakeDeviceEnumerator>(log_)) {
    platform_->Register(CLSID_SystemDeviceEnum, devices_);
    platform_->RegisterFactory(CLSID_FilterGraph, [this] {
        graph_ = MakeFake<FakeFilterGraph>(log_);
        return AsUnknown(graph_);
    });
    platform_->RegisterFactory(CLSID_CaptureGraphBuilder2, [this] {
        builder_ = MakeFake<FakeCaptureGraphBuilder>(log_);
        return AsUnknown(builder_);
    });
    platform_->RegisterFactory(tb::kClsidSampleGrabber, [this] {
        grabber_ = MakeFake<FakeSampleGrabber>(L"SampleGrabber", log_);
        return AsUnknown(grabber_);
    });
    platform_->RegisterFactory(CLSID_SmartTee, [this] {
        smartTee_ = MakeFake<FakeFilter>(L"SmartTee", log_, CLSID_SmartTee);
        smartTee_->AddPin(L"Input", PINDIR_INPUT);
        smartTee_->AddPin(L"Capture", PINDIR_OUTPUT);
        smartTee_->AddPin(L"Preview", PINDIR_OUTPUT);
        return AsUnknown(smartTee_);
    });
    platform_->RegisterFactory(CLSID_InfTee, [this] {
        return AsUnknown(MakeFake<FakeFilter>(L"InfTee", log_, CLSID_InfTee));
    });
    platform_->RegisterFactory(tb::kClsidNullRenderer, [this] {
        auto renderer = MakeFake<FakeFilter>(L"NullRenderer", log_, tb::kClsidNullRenderer);
        renderer->AddPin(L"In", PINDIR_INPUT);
        return AsUnknown(renderer);
    });
}

ComPtr<FakeFilter> TFakeMediaWorld::AddCamera(const std::wstring& name,
                                              const TFakeMediaType& format) {
    auto filter = MakeCaptureFilter(name, log_, format);
    devices_->AddDevice(CLSID_VideoInputDeviceCategory, name)->SetFilter(filter);
    return filter;
}

ComPtr<FakeFilter> TFakeMediaWorld::AddDevice(REFCLSID category, const std::wstring& name) {
    auto filter = MakeFake<FakeFilter>(name, log_);
    filter->AddPin(L"Out", PINDIR_OUTPUT);
    devices_->AddDevice(category, name)->SetFilter(filter);
    return filter;
}

} // namespace tbfake
