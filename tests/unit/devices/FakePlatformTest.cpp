// The fakes' own logic: scripted results, the reference ledger, and the graph and
// builder fakes that other suites rely on to take graphs apart again.
#include "media/MediaIds.h"
#include "fakes/FakeCaptureGraphBuilder.h"
#include "fakes/FakeDeviceEnum.h"
#include "fakes/FakeMediaPlatform.h"
#include "fakes/FakeMediaWorld.h"
#include "devices/DeviceCatalogue.h"

#include <gtest/gtest.h>

namespace {

using Microsoft::WRL::ComPtr;
using Names = std::vector<std::wstring>;
using namespace tbfake;

TEST(FakeScript, QueuedThenStandingThenDefault) {
    TScript script;
    script.Queue(L"Run", {E_FAIL, S_FALSE});
    script.Always(L"Run", E_ACCESSDENIED);
    script.Queue(L"Run(fast)", {E_ABORT});
    const struct {
        const wchar_t* arguments;
        HRESULT expected;
    } calls[] = {
        {L"fast", E_ABORT},       // the key with arguments first
        {L"fast", E_FAIL},        // then the method's queue
        {L"", S_FALSE},           //
        {L"", E_ACCESSDENIED},    // then the standing result
        {L"fast", E_ACCESSDENIED} //
    };
    for (const auto& call : calls)
        EXPECT_EQ(script.Next(L"Run", call.arguments, S_OK), call.expected) << call.arguments;
    script.Reset();
    EXPECT_EQ(script.Next(L"Run", L"", E_NOTIMPL), E_NOTIMPL);
}

TEST(FakeLedger, CountsObjectsAndReferencesUntilTheLastRelease) {
    TLedgerScope scope;
    auto log = MakeLog();
    {
        auto bag = MakeFake<FakePropertyBag>(L"x", log);
        ComPtr<IPropertyBag> second;
        ASSERT_EQ(bag.As(&second), S_OK);
        EXPECT_EQ(bag->RefCount(), 2u);
        EXPECT_FALSE(scope.Clean());
        ComPtr<IUnknown> unknown;
        EXPECT_EQ(second.As(&unknown), S_OK);
        ComPtr<IMoniker> wrong;
        EXPECT_EQ(second.As(&wrong), E_NOINTERFACE);
        EXPECT_EQ(wrong, nullptr);
        bag->Refuse(IID_IPropertyBag);
        EXPECT_EQ(unknown.As(&second), E_NOINTERFACE);
    }
    EXPECT_TRUE(scope.Clean()) << scope.Describe();
}

TEST(FakeMediaPlatform, CreatesRegisteredClassesAndLogsTheRest) {
    TLedgerScope scope;
    {
        FakeMediaPlatform platform;
        auto graph = MakeFake<FakeFilterGraph>(platform.SharedLog());
        platform.Register(CLSID_FilterGraph, graph);
        platform.RegisterFactory(tb::kClsidSampleGrabber, [&platform] {
            return AsUnknown(MakeFake<FakeSampleGrabber>(L"Grabber", platform.SharedLog()));
        });
        platform.Script().Queue(L"CreateInstance(FilterGraph)", {E_OUTOFMEMORY});

        ComPtr<IGraphBuilder> made;
        EXPECT_EQ(platform.Create(CLSID_FilterGraph, made), E_OUTOFMEMORY);
        EXPECT_EQ(made, nullptr);
        EXPECT_EQ(platform.Create(CLSID_FilterGraph, made), S_OK);
        EXPECT_EQ(FakeOf(made.Get()), graph.Get());
        ComPtr<ICaptureGraphBuilder2> wrongInterface;
        EXPECT_EQ(platform.Create(CLSID_FilterGraph, wrongInterface), E_NOINTERFACE);
        ComPtr<IBaseFilter> first, second;
        EXPECT_EQ(platform.Create(tb::kClsidSampleGrabber, first), S_OK);
        EXPECT_EQ(platform.Create(tb::kClsidSampleGrabber, second), S_OK);
        EXPECT_NE(first.Get(), second.Get());
        ComPtr<IBaseFilter> absent;
        EXPECT_EQ(platform.Create(CLSID_InfTee, absent), REGDB_E_CLASSNOTREG);
        platform.TaskMemFree(::CoTaskMemAlloc(4));
        EXPECT_EQ(
            platform.Log().Calls(),
            (Names{L"Platform.CreateInstance(FilterGraph)", L"Platform.CreateInstance(FilterGraph)",
                   L"Platform.CreateInstance(FilterGraph)",
                   L"Platform.CreateInstance(SampleGrabber)",
                   L"Platform.CreateInstance(SampleGrabber)", L"Platform.CreateInstance(InfTee)",
                   L"Platform.TaskMemFree(block)"}));
    }
    EXPECT_TRUE(scope.Clean()) << scope.Describe();
}

TEST(FakeMonikerEnum, HandsOutEachMonikerOnceThenSFalse) {
    TLedgerScope scope;
    {
        auto log = MakeLog();
        auto enumerator = MakeFake<FakeMonikerEnum>(L"e", log);
        enumerator->Add(MakeDevice(L"A", log));
        enumerator->Add(MakeDevice(L"B", log));
        IMoniker* monikers[3] = {};
        ULONG fetched = 0;
        EXPECT_EQ(enumerator->Next(3, monikers, &fetched), S_FALSE);
        EXPECT_EQ(fetched, 2u);
        EXPECT_EQ(FakeName(monikers[1]), L"Moniker(B)");
        for (ULONG i = 0; i < fetched; ++i)
            monikers[i]->Release();
        EXPECT_EQ(enumerator->Next(1, monikers, &fetched), S_FALSE);
        EXPECT_EQ(fetched, 0u);
    }
    EXPECT_TRUE(scope.Clean()) << scope.Describe();
}

// Takes apart everything downstream of a filter, as a capture graph's teardown does.
void RemoveDownstream(IGraphBuilder& graph, IBaseFilter& filter) {
    ComPtr<IEnumPins> pins;
    if (FAILED(filter.EnumPins(pins.GetAddressOf())))
        return;
    ComPtr<IPin> pin;
    while (pins->Next(1, pin.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
        ComPtr<IPin> peer;
        if (pin->ConnectedTo(peer.GetAddressOf()) != S_OK)
            continue;
        PIN_INFO info{};
        if (FAILED(peer->QueryPinInfo(&info)))
            continue;
        const ComPtr<IBaseFilter> peerFilter(info.pFilter);
        if (info.pFilter != nullptr)
            info.pFilter->Release();
        if (info.dir == PINDIR_INPUT && peerFilter) {
            RemoveDownstream(graph, *peerFilter.Get());
            graph.Disconnect(peer.Get());
            graph.Disconnect(pin.Get());
            graph.RemoveFilter(peerFilter.Get());
        }
    }
}

TEST(FakeCaptureGraph, BuildsAndTakesApartAPreviewGraph) {
    TLedgerScope scope;
    {
        auto log = MakeLog();
        auto graph = MakeFake<FakeFilterGraph>(log);
        auto builder = MakeFake<FakeCaptureGraphBuilder>(log);
        auto camera =
            MakeCaptureFilter(L"Camera", log, VideoInfoType(MEDIASUBTYPE_RGB24, 640, 480, 24));
        auto tee = MakeFake<FakeFilter>(L"SmartTee", log);
        auto grabber = MakeFake<FakeSampleGrabber>(L"Grabber", log);

        ASSERT_EQ(builder->SetFiltergraph(graph.Get()), S_OK);
        ASSERT_EQ(graph->AddFilter(camera.Get(), nullptr), S_OK);
        ComPtr<IAMStreamConfig> config;
        EXPECT_EQ(builder->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, camera.Get(),
                                         IID_IAMStreamConfig,
                                         reinterpret_cast<void**>(config.GetAddressOf())),
                  S_OK);
        ComPtr<IAMDroppedFrames> none;
        EXPECT_EQ(builder->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, camera.Get(),
                                         IID_IAMDroppedFrames,
                                         reinterpret_cast<void**>(none.GetAddressOf())),
                  E_NOINTERFACE);
        AM_MEDIA_TYPE* format = nullptr;
        ASSERT_EQ(config->GetFormat(&format), S_OK);
        EXPECT_EQ(format->subtype, MEDIASUBTYPE_RGB24);
        ::CoTaskMemFree(format->pbFormat);
        ::CoTaskMemFree(format);

        ASSERT_EQ(graph->AddFilter(tee.Get(), L"MySmartTee"), S_OK);
        ASSERT_EQ(graph->AddFilter(grabber.Get(), L"MyBitmapGrabber"), S_OK);
        ASSERT_EQ(
            builder->RenderStream(nullptr, &MEDIATYPE_Video, camera.Get(), nullptr, tee.Get()),
            S_OK);
        ASSERT_EQ(
            builder->RenderStream(nullptr, &MEDIATYPE_Video, tee.Get(), nullptr, grabber.Get()),
            S_OK);
        ASSERT_EQ(builder->RenderStream(nullptr, &MEDIATYPE_Video,
                                        static_cast<IBaseFilter*>(grabber.Get()), nullptr, nullptr),
                  S_OK);
        EXPECT_EQ(graph->FilterNames(),
                  (Names{L"Camera", L"MySmartTee", L"MyBitmapGrabber", L"Video Renderer"}));
        ComPtr<IBaseFilter> found;
        EXPECT_EQ(graph->FindFilterByName(L"MyBitmapGrabber", found.GetAddressOf()), S_OK);
        EXPECT_EQ(graph->FindFilterByName(L"MyInfTee", found.ReleaseAndGetAddressOf()),
                  VFW_E_NOT_FOUND);

        log->Clear();
        RemoveDownstream(*graph.Get(), *camera.Get());
        EXPECT_EQ(graph->FilterNames(), Names{L"Camera"});
        EXPECT_EQ(
            log->CallsStartingWith(L"Graph.RemoveFilter"),
            (Names{L"Graph.RemoveFilter(Video Renderer)", L"Graph.RemoveFilter(MyBitmapGrabber)",
                   L"Graph.RemoveFilter(MySmartTee)"}));
        EXPECT_EQ(camera->FreePin(PINDIR_OUTPUT)->Name(), L"Camera.Capture");
    }
    EXPECT_TRUE(scope.Clean()) << scope.Describe();
}

TEST(FakeFilterGraph, QueuesEventsUntilTakenAndCountsFreedParameters) {
    auto graph = MakeFake<FakeFilterGraph>(MakeLog());
    ComPtr<IMediaEventEx> events;
    ASSERT_EQ(
        graph->QueryInterface(IID_IMediaEventEx, reinterpret_cast<void**>(events.GetAddressOf())),
        S_OK);
    graph->RaiseEvent(EC_DEVICE_LOST, 1, 2);
    long code = 0;
    LONG_PTR first = 0, second = 0;
    ASSERT_EQ(events->GetEvent(&code, &first, &second, 0), S_OK);
    EXPECT_EQ(code, EC_DEVICE_LOST);
    EXPECT_EQ(graph->UnfreedEvents(), 1);
    EXPECT_EQ(events->FreeEventParams(code, first, second), S_OK);
    EXPECT_EQ(graph->UnfreedEvents(), 0);
    EXPECT_EQ(events->GetEvent(&code, &first, &second, 0), E_ABORT);
}

TEST(FakeCaptureGraph, OutputFileGivesMultiplexerAndWriter) {
    TLedgerScope scope;
    {
        auto log = MakeLog();
        auto graph = MakeFake<FakeFilterGraph>(log);
        auto builder = MakeFake<FakeCaptureGraphBuilder>(log);
        builder->SetFiltergraph(graph.Get());
        ComPtr<IBaseFilter> mux;
        ComPtr<IFileSinkFilter> sink;
        ASSERT_EQ(builder->SetOutputFileName(&MEDIASUBTYPE_Avi, L"C:\\x.avi", mux.GetAddressOf(),
                                             sink.GetAddressOf()),
                  S_OK);
        ComPtr<IConfigAviMux> config;
        ASSERT_EQ(mux.As(&config), S_OK);
        EXPECT_EQ(config->SetMasterStream(1), S_OK);
        EXPECT_EQ(builder->MultiplexerConfig()->MasterStream(), 1);
        ComPtr<IFileSinkFilter2> sink2;
        ASSERT_EQ(sink.As(&sink2), S_OK);
        EXPECT_EQ(sink2->SetMode(AM_FILE_OVERWRITE), S_OK);
        EXPECT_EQ(builder->FileWriter()->FileName(), L"C:\\x.avi");
        EXPECT_EQ(graph->FilterNames(), (Names{L"AVI Mux", L"File Writer"}));
    }
    EXPECT_TRUE(scope.Clean()) << scope.Describe();
}

TEST(FakeMediaWorld, CatalogueMonikersBindToTheCameraFilter) {
    TLedgerScope scope;
    {
        TFakeMediaWorld world;
        const auto camera =
            world.AddCamera(L"Cam", VideoInfoType(MEDIASUBTYPE_RGB24, 320, 240, 24));
        world.AddDevice(CLSID_AudioInputDeviceCategory, L"Mic");
        tb::TDevices devices(world.Platform());
        const auto moniker = devices.VideoDeviceByName(L"Cam");
        ASSERT_NE(moniker, nullptr);
        ComPtr<IBaseFilter> filter;
        ASSERT_EQ(moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter,
                                        reinterpret_cast<void**>(filter.GetAddressOf())),
                  S_OK);
        EXPECT_EQ(FakeOf(filter.Get()), camera.Get());
        EXPECT_EQ(devices.AudioDeviceNames(), Names{L"Mic"});

        ComPtr<IGraphBuilder> graph;
        ComPtr<IBaseFilter> tee;
        ASSERT_EQ(world.Platform()->Create(CLSID_FilterGraph, graph), S_OK);
        ASSERT_EQ(world.Platform()->Create(CLSID_SmartTee, tee), S_OK);
        EXPECT_EQ(FakeOf(graph.Get()), world.Graph().Get());
        EXPECT_EQ(world.SmartTee()->PinCount(), 3u);
        ComPtr<IBaseFilter> dv;
        EXPECT_EQ(world.Platform()->Create(CLSID_DVVideoCodec, dv), REGDB_E_CLASSNOTREG);
    }
    EXPECT_TRUE(scope.Clean()) << scope.Describe();
}

} // namespace
