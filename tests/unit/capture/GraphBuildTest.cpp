// Building the capture graph over fakes: the call sequences for each kind of source and
// setting, and every failing step with its message, result and clean state.
#include "unit/capture/GraphFixture.h"

#include "capture/GraphBuild.h"
#include "fakes/FakeFilterParts.h"

#include <algorithm>
#include <functional>

using namespace tbtest;
using namespace tbfake;
namespace msg = tb::msg;
using Strings = std::vector<std::wstring>;

namespace {

class GraphBuildTest : public GraphFixture {
protected:
    // The calls that show the graph's shape: filters created, added and connected,
    // and what the grabber, multiplexer, file writer and DV decoder were told.
    Strings Shape() const {
        Strings shape;
        for (const auto& call : Calls()) {
            const bool noise = call.find(L"TaskMemFree") != std::wstring::npos ||
                               call.find(L"JoinFilterGraph") != std::wstring::npos ||
                               call.find(L".GetFormat") != std::wstring::npos ||
                               call.find(L"FindFilterByName") != std::wstring::npos;
            if (!noise)
                shape.push_back(call);
        }
        return shape;
    }
    static bool Has(const Strings& calls, const std::wstring& call) {
        return std::find(calls.begin(), calls.end(), call) != calls.end();
    }
};

TEST_F(GraphBuildTest, PlainSourceBaseGraphThenFullGraph) {
    AddCamera();
    auto& control = MakeControl();
    ASSERT_TRUE(Access::BuildBaseGraph(control));
    EXPECT_EQ(Shape(), (Strings{
                           L"Platform.CreateInstance(CaptureGraphBuilder2)",
                           L"Moniker(Cam).BindToObject(IBaseFilter)",
                           L"Platform.CreateInstance(FilterGraph)",
                           L"Builder.SetFiltergraph(Graph)",
                           L"Graph.AddFilter()",
                           L"Builder.FindInterface(PIN_CATEGORY_CAPTURE, MEDIATYPE_Interleaved, "
                           L"Cam, IAMStreamConfig)",
                           L"Builder.FindInterface(PIN_CATEGORY_CAPTURE, MEDIATYPE_Video, Cam, "
                           L"IAMVfwCaptureDialogs)",
                       }));
    EXPECT_FALSE(Access::GraphBuilt(control));
    ClearLog();

    ASSERT_TRUE(Access::BuildGraph(control));
    EXPECT_EQ(
        Shape(),
        (Strings{
            L"Platform.CreateInstance(SmartTee)",
            L"Graph.AddFilter(MySmartTee)",
            L"Builder.RenderStream(null, MEDIATYPE_Video, Cam, null, SmartTee)",
            L"Platform.CreateInstance(SampleGrabber)",
            L"Graph.AddFilter(MyBitmapGrabber)",
            L"SampleGrabber.SetMediaType(MEDIATYPE_Video, MEDIASUBTYPE_RGB24, FORMAT_VideoInfo)",
            L"Builder.RenderStream(null, MEDIATYPE_Video, SmartTee, null, SampleGrabber)",
            L"SampleGrabber.SetBufferSamples(TRUE)",
            L"SampleGrabber.SetOneShot(FALSE)",
            L"SampleGrabber.SetCallback(callback, 0)",
            L"Builder.RenderStream(null, MEDIATYPE_Video, SmartTee, null, null)",
            L"Graph.AddFilter(Video Renderer)",
            L"Graph.put_WindowStyle(44000000)",
            L"Graph.put_Owner(window)",
            L"Graph.put_MessageDrain(window)",
            L"Graph.SetWindowPosition(1, 1, 310, 211)",
            L"Graph.put_Visible(-1)",
            L"Graph.SetNotifyWindow(window, 401, 0)",
            L"Cam.Dialogs.HasDialog(2)",
            L"Cam.Dialogs.HasDialog(1)",
            L"Cam.Dialogs.HasDialog(4)",
        }));
    EXPECT_TRUE(Access::GraphBuilt(control));
    EXPECT_EQ(Graph().NotifyWindow(), control.Handle());
    EXPECT_EQ(Graph().Owner(), reinterpret_cast<OAHWND>(control.Handle()));
    // The driver's format, source and display dialogs.
    EXPECT_EQ(control.DialogAvailability(), 0x7);
    EXPECT_TRUE(Messages().empty());

    // Built already: nothing more happens.
    ClearLog();
    EXPECT_TRUE(Access::BuildGraph(control));
    EXPECT_TRUE(Calls().empty());
}

TEST_F(GraphBuildTest, DVSourceGoesThroughSplitterAndDecoderAndBindsNoAudioDevice) {
    AddDVCamera();
    AddMicrophone();
    auto& control = MakeControl();
    ASSERT_TRUE(Access::BuildBaseGraph(control));
    EXPECT_TRUE(Access::HoldsDVFilters(control));
    EXPECT_FALSE(Access::HoldsAudioCaptureFilter(control));
    EXPECT_FALSE(World().Log().Contains(L"Moniker(Mic).BindToObject(IBaseFilter)"));
    ClearLog();

    control.SetPermanentGrabbing(false);
    ASSERT_TRUE(Access::BuildGraph(control));
    const Strings shape = Shape();
    const Strings expectedStart{
        L"Graph.AddFilter(MyDVDecoder)",
        L"Graph.AddFilter(MyDVSplitter)",
        L"Builder.RenderStream(null, MEDIATYPE_Interleaved, Cam, DVSplitter, DVDecoder)",
        L"DVDecoder.Res.put_IPDisplay(0)",
        L"Platform.CreateInstance(SmartTee)",
        L"Graph.AddFilter(MySmartTee)",
        L"Builder.RenderStream(null, MEDIATYPE_Video, DVDecoder, null, SmartTee)",
        L"Builder.RenderStream(null, MEDIATYPE_Video, SmartTee, null, null)",
    };
    ASSERT_GE(shape.size(), expectedStart.size());
    EXPECT_EQ(Strings(shape.begin(), shape.begin() + expectedStart.size()), expectedStart);

    // The splitter is the audio source of a capture.
    Access::TearDownGraph(control);
    Access::RequestCapture(control, L"C:\\dv.avi");
    ClearLog();
    ASSERT_TRUE(Access::BuildGraph(control));
    EXPECT_TRUE(
        Has(Shape(), L"Builder.RenderStream(null, MEDIATYPE_Audio, DVSplitter, null, AVI Mux)"));
}

TEST_F(GraphBuildTest, AudioPreviewRendersThroughAnInfiniteTeeOnlyWithAnAudioSource) {
    AddCamera();
    AddMicrophone();
    auto& control = MakeControl();
    control.SetAudioPreview(true); // no graph yet: only stored
    ASSERT_TRUE(Access::BuildBaseGraph(control));
    ClearLog();
    ASSERT_TRUE(Access::BuildGraph(control));
    const Strings shape = Shape();
    const Strings expectedStart{
        L"Platform.CreateInstance(InfTee)",
        L"Graph.AddFilter(MyInfTee)",
        L"Builder.RenderStream(null, MEDIATYPE_Audio, Mic, null, InfTee)",
        L"Builder.RenderStream(null, MEDIATYPE_Audio, InfTee, null, null)",
        L"Graph.AddFilter(Audio Renderer)",
        L"Platform.CreateInstance(SmartTee)",
    };
    EXPECT_EQ(Strings(shape.begin(), shape.begin() + expectedStart.size()), expectedStart);
}

TEST_F(GraphBuildTest, AudioPreviewWithoutAudioSourceCreatesNoTee) {
    AddCamera();
    auto& control = MakeControl();
    control.SetAudioPreview(true);
    ASSERT_TRUE(Access::BuildBaseGraph(control));
    ASSERT_TRUE(Access::BuildGraph(control));
    EXPECT_FALSE(World().Log().Contains(L"Platform.CreateInstance(InfTee)"));
}

TEST_F(GraphBuildTest, GrabberConfigurations) {
    struct Case {
        bool wantBitmapGrab;
        bool permanentGrabbing;
        tb::TPixelFormat pixelFormat;
        bool grabber;           // a grabber is created
        const wchar_t* setType; // SetMediaType call, or null for none
        const wchar_t* buffer;  // SetBufferSamples argument
        int callbackMethod;     // SetCallback method
        const wchar_t* preview; // source of the preview render
    };
    const Case cases[] = {
        {true, true, tb::TPixelFormat::pf24bit, true,
         L"SampleGrabber.SetMediaType(MEDIATYPE_Video, MEDIASUBTYPE_RGB24, FORMAT_VideoInfo)",
         L"TRUE", 1, L"SampleGrabber"},
        {true, false, tb::TPixelFormat::pf32bit, true,
         L"SampleGrabber.SetMediaType(MEDIATYPE_Video, MEDIASUBTYPE_RGB32, FORMAT_VideoInfo)",
         L"FALSE", 1, L"SampleGrabber"},
        {false, true, tb::TPixelFormat::pfDevice, true, nullptr, L"TRUE", 0, L"SmartTee"},
        {false, false, tb::TPixelFormat::pf24bit, false, nullptr, nullptr, 0, L"SmartTee"},
    };
    AddCamera();
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.wantBitmapGrab << c.permanentGrabbing);
        auto& control = MakeControl();
        control.SetWantBitmapGrab(c.wantBitmapGrab);
        control.SetPermanentGrabbing(c.permanentGrabbing);
        control.SetPixelFormat(c.pixelFormat);
        ASSERT_TRUE(Access::BuildBaseGraph(control));
        ClearLog();
        ASSERT_TRUE(Access::BuildGraph(control));
        const Strings shape = Shape();
        EXPECT_EQ(Has(shape, L"Platform.CreateInstance(SampleGrabber)"), c.grabber);
        EXPECT_EQ(Access::HoldsSampleGrabber(control), c.grabber);
        EXPECT_EQ(Access::GrabberCallback(control) != nullptr, c.grabber);
        EXPECT_TRUE(Has(shape, std::wstring(L"Builder.RenderStream(null, MEDIATYPE_Video, ") +
                                   c.preview + L", null, null)"));
        if (!c.grabber)
            continue;
        EXPECT_EQ(c.setType != nullptr, Has(shape, c.setType ? c.setType : L"-"));
        EXPECT_TRUE(Has(shape, std::wstring(L"SampleGrabber.SetBufferSamples(") + c.buffer + L")"));
        EXPECT_TRUE(Has(shape, L"SampleGrabber.SetCallback(callback, " +
                                   std::to_wstring(c.callbackMethod) + L")"));
        EXPECT_EQ(World().Grabber()->Callback(), Access::GrabberCallback(control));
        EXPECT_EQ(Access::GrabberCallback(control)->TargetWindow, control.Handle());
        // With only PermanentGrabbing, the grabber's output stays open.
        auto output = World().Grabber()->FreePin(PINDIR_OUTPUT);
        EXPECT_EQ(c.wantBitmapGrab, World().Grabber()->PinCount() > 1 && !output);
    }
}

TEST_F(GraphBuildTest, GrabberSubtypePerPixelFormat) {
    using tb::TPixelFormat;
    const std::pair<TPixelFormat, GUID> table[] = {
        {TPixelFormat::pf1bit, MEDIASUBTYPE_RGB1},    {TPixelFormat::pf4bit, MEDIASUBTYPE_RGB4},
        {TPixelFormat::pf8bit, MEDIASUBTYPE_RGB8},    {TPixelFormat::pf15bit, MEDIASUBTYPE_RGB555},
        {TPixelFormat::pf16bit, MEDIASUBTYPE_RGB565}, {TPixelFormat::pf24bit, MEDIASUBTYPE_RGB24},
        {TPixelFormat::pf32bit, MEDIASUBTYPE_RGB32},  {TPixelFormat::pfCustom, MEDIASUBTYPE_RGB24},
    };
    for (const auto& [format, subtype] : table) {
        const AM_MEDIA_TYPE type = tb::GrabberMediaType(format);
        EXPECT_EQ(type.subtype, subtype);
        EXPECT_EQ(type.majortype, MEDIATYPE_Video);
        EXPECT_EQ(type.formattype, FORMAT_VideoInfo);
        EXPECT_EQ(type.cbFormat, 0u);
        EXPECT_EQ(type.pbFormat, nullptr);
        EXPECT_EQ(type.lSampleSize, 0u);
    }
}

TEST_F(GraphBuildTest, GrabberThatOutlivesTheGraphStillReachesALiveCallback) {
    AddCamera();
    auto& control = MakeControl();
    control.SetWantBitmapGrab(true);
    ASSERT_TRUE(Access::BuildBaseGraph(control));
    ASSERT_TRUE(Access::BuildGraph(control));
    ComPtr<FakeSampleGrabber> grabber = World().Grabber();
    Access::TearDownGraph(control); // the control lets its callback object go
    EXPECT_EQ(Access::GrabberCallback(control), nullptr);
    ASSERT_NE(grabber->Callback(), nullptr);
    BYTE frame[12] = {};
    EXPECT_EQ(grabber->DeliverBuffer(0.0, frame, sizeof frame), S_OK);
}

TEST_F(GraphBuildTest, CaptureBranchWithCompressorsAndAudio) {
    AddCamera();
    AddMicrophone();
    AddCompressors();
    auto& control = MakeControl();
    control.SetPermanentGrabbing(false);
    ASSERT_TRUE(Access::BuildBaseGraph(control));
    Access::RequestCapture(control, L"C:\\capture.avi");
    ClearLog();
    ASSERT_TRUE(Access::BuildGraph(control));
    const Strings shape = Shape();
    const Strings branch{
        L"Platform.CreateInstance(NullRenderer)",
        L"Graph.AddFilter(MyNullRenderer)",
        L"Builder.SetOutputFileName(MEDIASUBTYPE_Avi, C:\\capture.avi)",
        L"File Writer.SetFileName(C:\\capture.avi)",
        L"Graph.AddFilter(AVI Mux)",
        L"Graph.AddFilter(File Writer)",
        L"File Writer.SetMode(1)",
        L"AVI Mux.Config.SetOutputCompatibilityIndex(TRUE)",
        L"AVI Mux.Config.SetMasterStream(-1)",
        L"Graph.AddFilter(MyVideoCompressor)",
        L"Builder.RenderStream(null, MEDIATYPE_Video, SmartTee, Codec, AVI Mux)",
        L"Graph.AddFilter(MyAudioCompressor)",
        L"Builder.RenderStream(null, MEDIATYPE_Audio, Mic, ACodec, AVI Mux)",
        L"Builder.RenderStream(null, MEDIATYPE_Video, SmartTee, null, null)",
    };
    auto start = std::find(shape.begin(), shape.end(), branch.front());
    ASSERT_NE(start, shape.end());
    ASSERT_GE(static_cast<size_t>(shape.end() - start), branch.size());
    EXPECT_EQ(Strings(start, start + branch.size()), branch);
    EXPECT_FALSE(Access::CaptureRequested(control));
    EXPECT_TRUE(Access::HoldsCaptureBranch(control));
    EXPECT_EQ(Builder().MultiplexerConfig()->CompatibilityIndex(), TRUE);
    EXPECT_EQ(Messages(), Strings{});

    // The teardown takes the whole branch away again.
    Access::TearDownGraph(control);
    EXPECT_FALSE(Access::HoldsCaptureBranch(control));
    EXPECT_EQ(Graph().FilterNames(), (Strings{L"Cam", L"Mic"}));
}

TEST_F(GraphBuildTest, MasterStreamIsKeptOnlyWhenTheMultiplexerAcceptsIt) {
    AddCamera();
    AddMicrophone();
    auto& control = MakeControl();
    ASSERT_TRUE(Access::BuildBaseGraph(control));
    Access::SetMasterStream(control, 1);
    Access::RequestCapture(control, L"C:\\a.avi");
    ASSERT_TRUE(Access::BuildGraph(control));
    EXPECT_EQ(Access::MasterStream(control), 1);
    EXPECT_TRUE(Messages().empty());
}

TEST_F(GraphBuildTest, CaptureBranchFailuresClearTheRequestAndEndTheBuild) {
    struct Case {
        const wchar_t* key;
        HRESULT result;
        const wchar_t* message;
    };
    const Case cases[] = {
        {L"SetOutputFileName", E_NOTIMPL, msg::kCannotSetCaptureFile},
        {L"SetOutputFileName", S_FALSE, msg::kCannotSetCaptureFile},
        {L"RenderStream(null, MEDIATYPE_Video, SmartTee, null, AVI Mux)", S_FALSE,
         msg::kCannotRenderVideoCompressor},
        {L"RenderStream(null, MEDIATYPE_Audio, Mic, null, AVI Mux)", E_FAIL,
         msg::kCannotRenderAudioCompressor},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        FreshWorld();
        AddCamera();
        AddMicrophone();
        auto& builder = PresetBuilder();
        builder.Script().Always(c.key, c.result);
        auto& control = MakeControl();
        ASSERT_TRUE(Access::BuildBaseGraph(control));
        Access::RequestCapture(control, L"C:\\a.avi");
        EXPECT_FALSE(Access::BuildGraph(control));
        EXPECT_EQ(Messages(), Strings{c.message});
        EXPECT_FALSE(Access::CaptureRequested(control));
        EXPECT_FALSE(Access::GraphBuilt(control));
    }
}

TEST_F(GraphBuildTest, CaptureWithoutFileNameIsRefused) {
    AddCamera();
    auto& control = MakeControl();
    ASSERT_TRUE(Access::BuildBaseGraph(control));
    Access::RequestCapture(control, L"");
    ClearLog();
    EXPECT_FALSE(Access::BuildGraph(control));
    EXPECT_EQ(Messages(), Strings{msg::kCaptureFileNameRequired});
    EXPECT_TRUE(Calls().empty());
}

TEST_F(GraphBuildTest, BuildGraphWithoutBaseGraphIsSilentlyFalse) {
    AddCamera();
    auto& control = MakeControl();
    EXPECT_FALSE(Access::BuildGraph(control));
    EXPECT_TRUE(Messages().empty());
    Access::TearDownGraph(control); // never built: nothing happens
    EXPECT_TRUE(Calls().empty());
}

// ---- Base graph failures -----------------------------------------------------------

TEST_F(GraphBuildTest, BaseGraphStepsFailingInTurn) {
    struct Case {
        const char* name;
        std::function<void()> script;
        Strings messages;
        bool result;
        bool graphHeld;
    };
    const std::vector<Case> cases = {
        {"builder",
         [this] {
             World().Platform()->Script().Queue(L"CreateInstance(CaptureGraphBuilder2)", {E_FAIL});
         },
         {msg::kCannotCreateCaptureGraphBuilder},
         false,
         false},
        {"video bind",
         [this] { cameraMoniker_->Script().Queue(L"BindToObject", {E_FAIL}); },
         {msg::kCannotCreateVideoDeviceFilter},
         false,
         false},
        {"graph",
         [this] {
             World().Platform()->Script().Queue(L"CreateInstance(FilterGraph)", {E_OUTOFMEMORY});
         },
         {msg::kCannotCreateGraphBuilder},
         false,
         false},
        {"set graph",
         [this] { PresetBuilder().Script().Queue(L"SetFiltergraph", {S_FALSE}); },
         {msg::kCannotSetFilterGraph},
         false,
         false},
        {"add video",
         [this] { PresetGraph().Script().Queue(L"AddFilter", {S_FALSE}); },
         {L"Error 1: Can't add video capture filter into graph!"},
         false,
         false},
        {"stream config",
         [this] {
             auto& builder = PresetBuilder();
             builder.Script().Always(L"FindInterface(PIN_CATEGORY_CAPTURE, MEDIATYPE_Interleaved, "
                                     L"Cam, IAMStreamConfig)",
                                     E_FAIL);
             builder.Script().Always(
                 L"FindInterface(PIN_CATEGORY_CAPTURE, MEDIATYPE_Video, Cam, IAMStreamConfig)",
                 E_NOINTERFACE);
         },
         {L"Error 80004002: Can't find VCapture: IAMStreamConfig!"},
         true,
         true},
        {"audio bind",
         [this] { microphoneMoniker_->Script().Queue(L"BindToObject", {E_FAIL}); },
         {msg::kCannotCreateAudioDeviceFilter},
         true,
         true},
        {"add audio",
         [this] {
             PresetGraph().Script().Queue(L"AddFilter", {S_OK, E_FAIL});
         },
         {L"Error 80004005: Can't add audio capture filter into graph!"},
         false,
         false},
        {"audio config",
         [this] {
             PresetBuilder().Script().Always(
                 L"FindInterface(null, MEDIATYPE_Audio, Mic, IAMStreamConfig)", E_FAIL);
         },
         {msg::kCannotFindAudioStreamConfig},
         true,
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FreshWorld();
        AddCamera();
        AddMicrophone();
        c.script();
        auto& control = MakeControl();
        EXPECT_EQ(Access::BuildBaseGraph(control), c.result);
        EXPECT_EQ(Messages(), c.messages);
        EXPECT_EQ(Access::HoldsFilterGraph(control), c.graphHeld);
        if (c.result) {
            EXPECT_TRUE(Access::BuildGraph(control));
            EXPECT_TRUE(Access::GraphBuilt(control));
        }
    }
}

TEST_F(GraphBuildTest, DVDecoderOrSplitterMissingEndsTheBaseBuild) {
    AddDVCamera();
    World().Platform()->Script().Always(L"CreateInstance(DVSplitter)", REGDB_E_CLASSNOTREG);
    auto& control = MakeControl();
    EXPECT_FALSE(Access::BuildBaseGraph(control));
    EXPECT_EQ(Messages(), Strings{msg::kCannotAddDVSplitter});
    EXPECT_FALSE(Access::HoldsFilterGraph(control));

    prompter_->messages.clear();
    World().Platform()->Script().Always(L"CreateInstance(DVVideoCodec)", REGDB_E_CLASSNOTREG);
    EXPECT_FALSE(Access::BuildBaseGraph(control));
    EXPECT_EQ(Messages(), Strings{msg::kCannotAddDVDecoder});
}

// ---- Full graph failures -----------------------------------------------------------

TEST_F(GraphBuildTest, FullGraphFailuresInTurn) {
    struct Case {
        const char* name;
        bool dv;
        bool audioPreview;
        const wchar_t* builderKey;  // a RenderStream that fails, or null
        const wchar_t* platformKey; // a creation that fails, or null
        HRESULT result;
        Strings messages;
        bool built;
        Strings left; // the filters left in the graph after a failure
    };
    const Case cases[] = {
        {"dv render",
         true,
         false,
         L"RenderStream(null, MEDIATYPE_Interleaved, Cam, DVSplitter, DVDecoder)",
         nullptr,
         S_FALSE,
         {msg::kCannotRenderDVStream},
         false,
         {L"Cam"}},
        {"inf tee",
         false,
         true,
         nullptr,
         L"CreateInstance(InfTee)",
         REGDB_E_CLASSNOTREG,
         {msg::kAudioInitError},
         false,
         {L"Cam", L"Mic"}},
        {"inf tee render",
         false,
         true,
         L"RenderStream(null, MEDIATYPE_Audio, Mic, null, InfTee)",
         nullptr,
         E_FAIL,
         {msg::kAudioInitError},
         false,
         {L"Cam", L"Mic", L"MyInfTee"}},
        {"audio preview",
         false,
         true,
         L"RenderStream(null, MEDIATYPE_Audio, InfTee, null, null)",
         nullptr,
         E_FAIL,
         {msg::kCannotRenderAudioPreview},
         false,
         {L"Cam", L"Mic"}},
        {"smart tee", false, false, nullptr, L"CreateInstance(SmartTee)", E_FAIL, {}, false, {}},
        {"smart tee render",
         false,
         false,
         L"RenderStream(null, MEDIATYPE_Video, Cam, null, SmartTee)",
         nullptr,
         E_FAIL,
         {},
         false,
         {}},
        {"grabber render",
         false,
         false,
         L"RenderStream(null, MEDIATYPE_Video, SmartTee, null, SampleGrabber)",
         nullptr,
         E_FAIL,
         {msg::kCannotInstallSampleGrabber},
         true,
         {}},
        {"grabber create",
         false,
         false,
         nullptr,
         L"CreateInstance(SampleGrabber)",
         E_FAIL,
         {},
         true,
         {}},
        {"preview render",
         false,
         false,
         L"RenderStream(null, MEDIATYPE_Video, SmartTee, null, null)",
         nullptr,
         E_FAIL,
         {msg::kCannotRenderPreview},
         false,
         {L"Cam", L"Mic"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FreshWorld();
        if (c.dv)
            AddDVCamera();
        else
            AddCamera();
        AddMicrophone();
        auto& builder = PresetBuilder();
        if (c.builderKey != nullptr)
            builder.Script().Always(c.builderKey, c.result);
        if (c.platformKey != nullptr)
            World().Platform()->Script().Always(c.platformKey, c.result);
        auto& control = MakeControl();
        control.SetAudioPreview(c.audioPreview);
        ASSERT_TRUE(Access::BuildBaseGraph(control));
        EXPECT_EQ(Access::BuildGraph(control), c.built);
        EXPECT_EQ(Access::GraphBuilt(control), c.built);
        EXPECT_EQ(Messages(), c.messages);
        if (!c.built && !c.messages.empty()) {
            // The outer clean-up took away everything that was connected.
            EXPECT_EQ(Graph().FilterNames(), c.left);
            EXPECT_FALSE(Access::HoldsVideoWindow(control));
            EXPECT_FALSE(Access::HoldsSampleGrabber(control));
        }
    }
}

TEST_F(GraphBuildTest, GraphWithoutVideoWindowStillBuilds) {
    AddCamera();
    auto& graph = PresetGraph();
    graph.Refuse(IID_IVideoWindow);
    auto& control = MakeControl();
    ASSERT_TRUE(Access::BuildBaseGraph(control));
    EXPECT_TRUE(Access::BuildGraph(control));
    EXPECT_EQ(Messages(), Strings{msg::kGraphCannotPreview});
    EXPECT_FALSE(Access::HoldsVideoWindow(control));
    EXPECT_TRUE(Access::HoldsMediaEvent(control));
}

TEST_F(GraphBuildTest, TearDownLeavesTheCaptureFiltersAloneAndRebuildsAlike) {
    AddCamera();
    AddMicrophone();
    auto& control = MakeControl();
    control.SetWantBitmapGrab(true);
    control.SetAudioPreview(true);
    ASSERT_TRUE(Access::BuildBaseGraph(control));
    ASSERT_TRUE(Access::BuildGraph(control));
    const Strings built = Graph().FilterNames();
    EXPECT_GT(built.size(), 5u);

    ClearLog();
    Access::TearDownGraph(control);
    EXPECT_EQ(Graph().FilterNames(), (Strings{L"Cam", L"Mic"}));
    EXPECT_FALSE(Access::GraphBuilt(control));
    EXPECT_FALSE(Access::HoldsVideoWindow(control));
    EXPECT_FALSE(Access::HoldsMediaEvent(control));
    EXPECT_FALSE(Access::HoldsSampleGrabber(control));
    EXPECT_EQ(Access::GrabberCallback(control), nullptr);
    EXPECT_TRUE(Access::HoldsVideoStreamConfig(control));
    EXPECT_TRUE(World().Log().Contains(L"Graph.put_Visible(0)"));
    EXPECT_EQ(World().Log().Count(L"Graph.Stop()"), 0u); // the preview was not running

    // The next build starts from the capture filters again and gives the same graph.
    ASSERT_TRUE(Access::BuildGraph(control));
    EXPECT_EQ(Graph().FilterNames().size(), built.size());
}

} // namespace
