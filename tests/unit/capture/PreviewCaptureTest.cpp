// Running and stopping the graph over fakes: preview, capture to a file, the capture
// timer, and the graph's error-abort and device-lost events.
#include "unit/capture/GraphFixture.h"

#include "capture/CaptureControl.h"
#include "fakes/FakeFilterParts.h"
#include "media/FileSink.h"
#include "framework/Text.h"

using namespace tbtest;
using namespace tbfake;
namespace msg = tb::msg;
using Strings = std::vector<std::wstring>;

namespace {

class PreviewCaptureTest : public GraphFixture {
protected:
    // A control with a built graph, events recorded, log and messages cleared.
    tb::TVideoCapture& Ready() {
        auto& control = BuiltControl();
        RecordEvents();
        return control;
    }
    // A control previewing, then capturing to C:\cap.avi, events and log cleared.
    tb::TVideoCapture& Capturing() {
        auto& control = Ready();
        Access::StartPreview(control);
        EXPECT_TRUE(control.StartCapture(L"C:\\cap.avi"));
        EXPECT_TRUE(control.Capturing());
        events.clear();
        ClearLog();
        return control;
    }
    Strings GraphControlCalls() const {
        Strings calls;
        for (const auto& call : Calls())
            if (call == L"Graph.Run()" || call == L"Graph.Pause()" || call == L"Graph.Stop()")
                calls.push_back(call);
        return calls;
    }
};

// ---- Preview ------------------------------------------------------------------------

TEST_F(PreviewCaptureTest, StartPreviewRunsTheGraphOnceAndStopPreviewStopsIt) {
    AddCamera();
    auto& control = Ready();
    Access::StartPreview(control);
    EXPECT_TRUE(Access::Previewing(control));
    EXPECT_EQ(Graph().GraphState(), State_Running);
    Access::StartPreview(control); // already running: nothing
    EXPECT_EQ(GraphControlCalls(), Strings{L"Graph.Run()"});
    EXPECT_EQ(events, Strings{L"StartPreview"});

    Access::StopPreview(control);
    EXPECT_FALSE(Access::Previewing(control));
    EXPECT_TRUE(Access::GraphBuilt(control));
    EXPECT_EQ(events, (Strings{L"StartPreview", L"StopPreview"}));
    Access::StartPreview(control); // runs again without rebuilding
    EXPECT_EQ(World().Log().Count(L"Platform.CreateInstance(SmartTee)"), 0u);
    EXPECT_TRUE(Messages().empty());
}

TEST_F(PreviewCaptureTest, StartPreviewBuildsTheGraphWhenNeeded) {
    AddCamera();
    auto& control = MakeControl();
    RecordEvents();
    ASSERT_TRUE(Access::BuildBaseGraph(control));
    Access::StartPreview(control);
    EXPECT_TRUE(Access::GraphBuilt(control));
    EXPECT_TRUE(Access::Previewing(control));
}

TEST_F(PreviewCaptureTest, WithoutGraphStartDoesNothingAndStopOnlyAnnounces) {
    AddCamera();
    auto& control = MakeControl();
    RecordEvents();
    Access::StartPreview(control);
    EXPECT_TRUE(events.empty());
    Access::StopPreview(control);
    EXPECT_EQ(events, Strings{L"StopPreview"});
    EXPECT_FALSE(Access::Previewing(control));
    EXPECT_TRUE(Messages().empty());
    EXPECT_TRUE(Calls().empty());
}

TEST_F(PreviewCaptureTest, FailedRunIsReportedAndTheGraphIsPausedThenStopped) {
    AddCamera();
    auto& control = Ready();
    Graph().Script().Queue(L"Run", {E_FAIL});
    Access::StartPreview(control);
    EXPECT_EQ(Messages(), Strings{L"Error 80004005: Cannot run preview graph!"});
    EXPECT_FALSE(Access::Previewing(control));
    EXPECT_TRUE(events.empty());
    EXPECT_EQ(GraphControlCalls(), (Strings{L"Graph.Run()", L"Graph.Pause()", L"Graph.Stop()"}));
    EXPECT_EQ(Graph().GraphState(), State_Stopped);
}

TEST_F(PreviewCaptureTest, FailedStopKeepsThePreviewRunning) {
    AddCamera();
    auto& control = Ready();
    Access::StartPreview(control);
    events.clear();
    Graph().Script().Queue(L"Stop", {E_UNEXPECTED});
    Access::StopPreview(control);
    EXPECT_EQ(Messages(), Strings{L"Error 8000FFFF: Cannot stop preview graph!"});
    EXPECT_TRUE(Access::Previewing(control));
    EXPECT_TRUE(events.empty());
}

TEST_F(PreviewCaptureTest, GraphWithoutMediaControlCannotRunOrStop) {
    AddCamera();
    PresetGraph().Refuse(IID_IMediaControl);
    auto& control = Ready();
    Access::StartPreview(control);
    EXPECT_EQ(Messages(), Strings{L"Error 80004002: Cannot run preview graph!"});
    EXPECT_FALSE(Access::Previewing(control));
    prompter_->messages.clear();
    Access::StopPreview(control);
    EXPECT_EQ(Messages(), Strings{L"Error 80004002: Cannot stop preview graph!"});
    EXPECT_TRUE(events.empty());
}

TEST_F(PreviewCaptureTest, GraphWithoutEventSourceBuildsAndIgnoresNotifications) {
    AddCamera();
    PresetGraph().Refuse(IID_IMediaEventEx);
    auto& control = Ready();
    EXPECT_TRUE(Access::GraphBuilt(control));
    EXPECT_FALSE(Access::HoldsMediaEvent(control));
    Access::HandleGraphEvents(control);
    EXPECT_TRUE(Calls().empty());
    EXPECT_TRUE(Messages().empty());
}

TEST_F(PreviewCaptureTest, StopGraphWithoutCaptureDoesNothing) {
    AddCamera();
    auto& control = Ready();
    Access::StartPreview(control);
    ClearLog();
    Access::StopGraph(control);
    EXPECT_TRUE(Calls().empty());
    EXPECT_TRUE(Access::Timer(control).Enabled());
    EXPECT_TRUE(Access::Previewing(control));
}

// ---- Capture ------------------------------------------------------------------------

TEST_F(PreviewCaptureTest, StartCaptureRebuildsWithTheBranchAndRuns) {
    AddCamera();
    auto& counter = AddDroppedFrameCounter();
    counter.SetCounts(3, 100);
    auto& control = Ready();
    Access::StartPreview(control);
    events.clear();
    clock_->Set(46001.25);
    ClearLog();

    ASSERT_TRUE(control.StartCapture(L"C:\\cap.avi"));
    EXPECT_EQ(events, (Strings{L"StopPreview", L"StartCapture"}));
    EXPECT_TRUE(control.Capturing());
    EXPECT_TRUE(Access::CaptureRunning(control));
    EXPECT_FALSE(Access::CaptureRequested(control));
    EXPECT_EQ(control.CaptureFileName(), L"C:\\cap.avi");
    EXPECT_EQ(Access::CaptureStartTime(control), 46001.25);
    EXPECT_TRUE(Access::HoldsDroppedFrameCounter(control));
    EXPECT_TRUE(Access::Timer(control).Enabled());
    EXPECT_EQ(Builder().FileWriter()->Mode(), static_cast<DWORD>(AM_FILE_OVERWRITE));
    EXPECT_EQ(GraphControlCalls(), (Strings{L"Graph.Stop()", L"Graph.Run()"}));
    EXPECT_EQ(Graph().GraphState(), State_Running);
    EXPECT_FALSE(World().Log().Contains(L"Builder.AllocCapFile()")); // PreallocFile is off
    EXPECT_TRUE(Messages().empty());

    // The timer counts from the start, and frames from the baselines.
    counter.SetCounts(5, 130);
    clock_->AdvanceMilliseconds(1500);
    Access::CaptureTimerTick(control);
    EXPECT_EQ(control.ElapsedMilliseconds(), 1500u);
    EXPECT_EQ(control.DroppedFrames(), 2u);
    EXPECT_EQ(control.FramesNotDropped(), 30u);
    EXPECT_EQ(events, (Strings{L"StopPreview", L"StartCapture", L"CaptureProgress"}));

    // A failed read keeps the last counts; a failed second read leaves the first
    // without its baseline.
    counter.Script().Queue(L"GetNumDropped", {E_FAIL});
    Access::CaptureTimerTick(control);
    EXPECT_EQ(control.DroppedFrames(), 2u);
    counter.Script().Queue(L"GetNumNotDropped", {S_FALSE});
    Access::CaptureTimerTick(control);
    EXPECT_EQ(control.DroppedFrames(), 5u);
    EXPECT_EQ(control.FramesNotDropped(), 30u);

    events.clear();
    EXPECT_TRUE(control.StopCapture());
    EXPECT_EQ(events, (Strings{L"StartPreview", L"CloseCapture", L"StopCapture"}));
    EXPECT_FALSE(control.Capturing());
    EXPECT_FALSE(Access::CaptureRunning(control));
    EXPECT_FALSE(Access::Timer(control).Enabled());
    EXPECT_FALSE(Access::HoldsCaptureBranch(control));
    EXPECT_TRUE(Access::Previewing(control));
    EXPECT_FALSE(control.StopCapture()); // nothing left to stop
}

TEST_F(PreviewCaptureTest, PreallocationReservesTheFileThroughTheBuilder) {
    AddCamera();
    auto& control = Ready();
    control.SetPreallocFile(true);
    control.SetPreallocFileSizeMB(2);
    Builder().Script().Always(L"AllocCapFile", S_OK);
    ASSERT_TRUE(control.StartCapture(L"C:\\cap.avi"));
    EXPECT_TRUE(World().Log().Contains(L"Builder.AllocCapFile()"));
    EXPECT_TRUE(Messages().empty());
}

TEST_F(PreviewCaptureTest, FailedPreallocationDoesNotStopTheCapture) {
    AddCamera();
    auto& control = Ready();
    control.SetPreallocFile(true);
    ASSERT_TRUE(control.StartCapture(L"C:\\cap.avi")); // the fake answers E_NOTIMPL
    EXPECT_TRUE(World().Log().Contains(L"Builder.AllocCapFile()"));
    EXPECT_TRUE(Messages().empty());
}

TEST_F(PreviewCaptureTest, CaptureThatCannotBeBuiltBringsThePreviewBack) {
    struct Case {
        const char* name;
        const wchar_t* key;
        HRESULT result;
        std::wstring file;
        Strings messages;
    };
    const Case cases[] = {
        {"no output file (as on Wine)",
         L"SetOutputFileName",
         E_NOTIMPL,
         L"C:\\cap.avi",
         {msg::kCannotSetCaptureFile}},
        {"video branch",
         L"RenderStream(null, MEDIATYPE_Video, SmartTee, null, AVI Mux)",
         E_FAIL,
         L"C:\\cap.avi",
         {msg::kCannotRenderVideoCompressor}},
        {"no file name", nullptr, S_OK, L"", {msg::kCaptureFileNameRequired}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FreshWorld();
        AddCamera();
        auto& builder = PresetBuilder();
        if (c.key != nullptr)
            builder.Script().Always(c.key, c.result);
        auto& control = Ready();
        Access::StartPreview(control);
        events.clear();
        EXPECT_FALSE(control.StartCapture(c.file));
        EXPECT_EQ(Messages(), c.messages);
        EXPECT_FALSE(control.Capturing());
        EXPECT_FALSE(Access::CaptureRequested(control));
        EXPECT_TRUE(Access::GraphBuilt(control));
        EXPECT_TRUE(Access::Previewing(control));
        EXPECT_EQ(events, (Strings{L"StopPreview", L"StartPreview"}));
        // The graph is the preview graph again: nothing of the branch is left.
        for (const auto& name : Graph().FilterNames())
            EXPECT_TRUE(name != L"AVI Mux" && name != L"File Writer" && name != L"MyNullRenderer")
                << tb::Narrow(name);
    }
}

// Where the builder cannot set up a file (Wine), the platform's AVI multiplexer writes
// through the program's own sink, the video alone when the multiplexer refuses the audio;
// the sink's request to end a recording ends it with the sink's reason.
TEST_F(PreviewCaptureTest, WithoutTheBuildersFileTheOwnSinkRecordsAndEndsForItsReason) {
    AddCamera();
    AddMicrophone();
    const auto log = World().Platform()->SharedLog();
    ComPtr<FakeFileWriter> sink;
    World().Platform()->RegisterFactory(
        CLSID_AviDest, [log] { return AsUnknown(MakeFake<FakeFilter>(L"AVI Mux", log)); });
    World().Platform()->RegisterFactory(tb::kClsidFileSink, [log, &sink] {
        sink = MakeFake<FakeFileWriter>(L"Sink", log);
        return AsUnknown(sink);
    });
    auto& builder = PresetBuilder();
    builder.Script().Always(L"SetOutputFileName", E_NOTIMPL);
    builder.Script().Always(L"RenderStream(null, MEDIATYPE_Audio, Mic, null, AVI Mux)", E_FAIL);
    auto& control = Ready();
    const std::pair<LONG_PTR, tb::TCaptureEnd> reasons[] = {
        {LONG_PTR(tb::TRecordingEnd::SizeLimit), tb::TCaptureEnd::SizeLimit},
        {LONG_PTR(tb::TRecordingEnd::DiskSpace), tb::TCaptureEnd::DiskSpace},
        {LONG_PTR(tb::TRecordingEnd::WriteFailed), tb::TCaptureEnd::WriteFailed}};
    for (const auto& [reason, end] : reasons) {
        ASSERT_TRUE(control.StartCapture(L"C:\\cap.avi"));
        EXPECT_TRUE(Messages().empty());
        ASSERT_TRUE(sink);
        EXPECT_EQ(sink->FileName(), L"C:\\cap.avi");
        EXPECT_TRUE(
            World().Log().Contains(L"Builder.RenderStream(null, null, AVI Mux, null, Sink)"));
        Graph().RaiseEvent(tb::kEcRecordingEnds, reason);
        Access::HandleGraphEvents(control);
        EXPECT_FALSE(control.Capturing());
        EXPECT_EQ(control.LastCaptureEnd(), end);
        EXPECT_TRUE(Access::Previewing(control));
        for (const auto& name : Graph().FilterNames())
            EXPECT_TRUE(name != L"MyAviMux" && name != L"MyFileSink") << tb::Narrow(name);
    }
    // The recording dialog says so before a start (the probe works on a graph of its own).
    EXPECT_TRUE(control.RecordsVideoOnly());
}

TEST_F(PreviewCaptureTest, CaptureGraphThatWillNotRunIsReportedAndThePreviewComesBack) {
    AddCamera();
    auto& control = Ready();
    Access::StartPreview(control);
    events.clear();
    ClearLog();
    Graph().Script().Queue(L"Run", {E_FAIL});
    EXPECT_FALSE(control.StartCapture(L"C:\\cap.avi"));
    EXPECT_EQ(Messages(), Strings{L"Error 80004005: Cannot run capture graph!"});
    EXPECT_FALSE(control.Capturing());
    EXPECT_TRUE(Access::Previewing(control));
    EXPECT_FALSE(Access::HoldsCaptureBranch(control));
    EXPECT_EQ(GraphControlCalls(), (Strings{L"Graph.Stop()", L"Graph.Run()", L"Graph.Pause()",
                                            L"Graph.Stop()", L"Graph.Run()"}));
    EXPECT_EQ(events, (Strings{L"StopPreview", L"StartPreview"}));
}

TEST_F(PreviewCaptureTest, StartCaptureNeedsAGraphAndOnlyOneCaptureAtATime) {
    AddCamera();
    auto& control = MakeControl();
    EXPECT_FALSE(control.StartCapture(L"C:\\cap.avi"));
    EXPECT_TRUE(Messages().empty());
    ASSERT_TRUE(Access::BuildBaseGraph(control));
    ASSERT_TRUE(control.StartCapture(L"C:\\cap.avi"));
    EXPECT_FALSE(control.StartCapture(L"C:\\other.avi"));
    EXPECT_EQ(control.CaptureFileName(), L"C:\\cap.avi");
}

TEST_F(PreviewCaptureTest, StopGraphThatFailsKeepsTheCapture) {
    AddCamera();
    auto& control = Capturing();
    Graph().Script().Queue(L"Stop", {E_FAIL});
    EXPECT_FALSE(control.StopCapture());
    EXPECT_EQ(Messages(), Strings{L"Error 80004005: Cannot stop graph!"});
    EXPECT_TRUE(control.Capturing());
    EXPECT_TRUE(Access::CaptureRunning(control));
    EXPECT_TRUE(Access::Timer(control).Enabled());
    EXPECT_TRUE(events.empty());
    EXPECT_EQ(GraphControlCalls(), (Strings{L"Graph.Pause()", L"Graph.Stop()"}));
}

TEST_F(PreviewCaptureTest, TimeLimit) {
    struct Case {
        std::int32_t limit;
        double advanceMs;
        bool stops;
    };
    const Case cases[] = {
        {0, 0, true},
        {2, 1999, false},
        {2, 2000, true},
        {-1, 5000, false}, // taken unsigned: never reached
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.limit);
        FreshWorld();
        AddCamera();
        auto& control = Capturing();
        control.SetUseTimeLimit(true);
        control.SetTimeLimitSec(c.limit);
        clock_->AdvanceMilliseconds(c.advanceMs);
        Access::CaptureTimerTick(control);
        EXPECT_EQ(control.Capturing(), !c.stops);
        EXPECT_EQ(events, c.stops ? (Strings{L"StartPreview", L"CloseCapture"})
                                  : Strings{L"CaptureProgress"});
    }
}

TEST_F(PreviewCaptureTest, IdleTickOnlyMeasures) {
    AddCamera();
    auto& control = Ready();
    ClearLog();
    clock_->AdvanceMilliseconds(250);
    Access::CaptureTimerTick(control);
    EXPECT_TRUE(Calls().empty());
    EXPECT_TRUE(events.empty());
}

TEST_F(PreviewCaptureTest, TearDownDuringCaptureStopsItRestartsThePreviewThenDismantles) {
    AddCamera();
    auto& control = Capturing();
    Access::TearDownGraph(control);
    EXPECT_EQ(events, (Strings{L"StartPreview", L"CloseCapture", L"StopPreview"}));
    EXPECT_FALSE(control.Capturing());
    EXPECT_FALSE(Access::Previewing(control));
    EXPECT_FALSE(Access::GraphBuilt(control));
    EXPECT_EQ(Graph().FilterNames(), Strings{L"Cam"});
}

TEST_F(PreviewCaptureTest, DestroyingTheControlDuringACaptureSkipsTheRebuild) {
    AddCamera();
    auto& control = Capturing();
    (void)control;
    control_.reset();
    EXPECT_TRUE(events.empty());
    EXPECT_EQ(World().Log().Count(L"Platform.CreateInstance(SmartTee)"), 0u);
    EXPECT_TRUE(Messages().empty());
}

// ---- Graph events -------------------------------------------------------------------

TEST_F(PreviewCaptureTest, DeviceLostDuringPreviewStopsAndTriesOnceToRestart) {
    AddCamera();
    auto& control = Ready();
    Access::StartPreview(control);
    events.clear();
    Graph().RaiseEvent(tb::kEcDeviceLost, 1);
    Graph().Script().Queue(L"Run", {E_FAIL});
    Access::HandleGraphEvents(control);
    EXPECT_EQ(events, (Strings{L"DeviceLost", L"StopPreview"}));
    EXPECT_EQ(Messages(), Strings{L"Error 80004005: Cannot run preview graph!"});
    EXPECT_FALSE(Access::Previewing(control));
    EXPECT_EQ(Graph().UnfreedEvents(), 0);
}

TEST_F(PreviewCaptureTest, DeviceThatComesBackRestartsThePreview) {
    AddCamera();
    auto& control = Ready();
    Access::StartPreview(control);
    events.clear();
    Graph().RaiseEvent(tb::kEcDeviceLost, 0);
    Access::HandleGraphEvents(control);
    EXPECT_EQ(events, (Strings{L"DeviceLost", L"StopPreview", L"StartPreview"}));
    EXPECT_TRUE(Access::Previewing(control));
}

TEST_F(PreviewCaptureTest, ErrorAbortDuringPreviewOnlyAnnounces) {
    AddCamera();
    auto& control = Ready();
    Access::StartPreview(control);
    events.clear();
    ClearLog();
    Graph().RaiseEvent(tb::kEcErrorAbort);
    Graph().RaiseEvent(EC_COMPLETE); // other codes are taken and ignored
    Access::HandleGraphEvents(control);
    EXPECT_EQ(events, Strings{L"Aborted"});
    EXPECT_TRUE(Access::Previewing(control));
    EXPECT_TRUE(GraphControlCalls().empty());
    EXPECT_EQ(World().Log().Count(L"Graph.FreeEventParams(3)"), 1u);
    EXPECT_EQ(Graph().UnfreedEvents(), 0);
}

TEST_F(PreviewCaptureTest, ErrorAbortDuringCaptureEndsItAndPreviewGoesOn) {
    AddCamera();
    auto& control = Capturing();
    Graph().RaiseEvent(tb::kEcErrorAbort);
    Access::HandleGraphEvents(control);
    EXPECT_EQ(events, (Strings{L"StartPreview", L"CloseCapture", L"Aborted"}));
    EXPECT_FALSE(control.Capturing());
    EXPECT_TRUE(Access::Previewing(control));
    EXPECT_FALSE(Access::HoldsCaptureBranch(control));
    EXPECT_TRUE(Messages().empty());
}

TEST_F(PreviewCaptureTest, DeviceLostDuringCaptureEndsCaptureAndPreviewThenRetriesOnce) {
    AddCamera();
    auto& control = Capturing();
    Graph().RaiseEvent(tb::kEcDeviceLost, 0);
    Access::HandleGraphEvents(control);
    EXPECT_EQ(events, (Strings{L"DeviceLost", L"StartPreview", L"CloseCapture", L"StopPreview",
                               L"StartPreview"}));
    EXPECT_FALSE(control.Capturing());
    EXPECT_TRUE(Access::Previewing(control));
}

TEST_F(PreviewCaptureTest, ADeviceGoneWithoutAnEventIsLostAndToldWithoutARetry) {
    AddCamera();
    UseWorldCatalogue();
    auto& control = Capturing();
    events.clear();
    Access::WatchDevicePresence(control); // still listed: a source that only pauses
    EXPECT_TRUE(events.empty());
    EXPECT_TRUE(control.Capturing());

    World()
        .DeviceEnumerator()
        ->Category(CLSID_VideoInputDeviceCategory)
        ->Remove(cameraMoniker_.Get());
    Access::WatchDevicePresence(control);
    EXPECT_EQ(events, (Strings{L"DeviceLost", L"StartPreview", L"CloseCapture", L"StopPreview"}));
    EXPECT_EQ(Messages(), Strings{L"Error 8007048F: Cannot run preview graph!"});
    EXPECT_FALSE(control.Capturing());
    EXPECT_FALSE(Access::Previewing(control));
    // Stopped, nothing more happens until the device is chosen again.
    events.clear();
    Access::WatchDevicePresence(control);
    EXPECT_TRUE(events.empty());
    EXPECT_EQ(Messages().size(), 1u);
}

TEST_F(PreviewCaptureTest, NotifyMessageDrainsTheQueue) {
    AddCamera();
    auto& control = Ready();
    Access::StartPreview(control);
    events.clear();
    Graph().RaiseEvent(tb::kEcErrorAbort); // posts WM_GRAPHNOTIFY to the control
    Graph().RaiseEvent(tb::kEcErrorAbort);
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        ::DispatchMessageW(&message);
    EXPECT_EQ(events, (Strings{L"Aborted", L"Aborted"}));
    EXPECT_EQ(Graph().UnfreedEvents(), 0);
}

// ---- Timer arithmetic ---------------------------------------------------------------

TEST(CaptureTimerArithmetic, ElapsedIsTheTimeOfDayPartOfTheDifference) {
    constexpr double ms = 1.0 / 86'400'000.0;
    const struct {
        double now;
        double start;
        std::uint32_t expected;
    } cases[] = {
        {46000.5, 46000.5, 0},
        {46000.5 + 100 * ms, 46000.5, 100},
        {46000.5 + 61'000 * ms, 46000.5, 61'000},
        {46001.5 + 5 * ms, 46000.5, 5}, // wraps after 24 hours
        {46000.5 + 86'399'999 * ms, 46000.5, 86'399'999},
        {46000.5, 46000.5 + 40 * ms, 40}, // clock went back: magnitude
        {46000.5, 0, 43'200'000},         // no start set: the time of day
    };
    for (const auto& c : cases)
        EXPECT_EQ(tb::ElapsedTimeOfDayMilliseconds(c.now, c.start), c.expected) << c.expected;
}

TEST(CaptureTimerArithmetic, LimitComparesUnsignedWholeSeconds) {
    EXPECT_TRUE(tb::TimeLimitReached(0, 0));
    EXPECT_FALSE(tb::TimeLimitReached(999, 1));
    EXPECT_TRUE(tb::TimeLimitReached(1000, 1));
    EXPECT_FALSE(tb::TimeLimitReached(86'399'999, -1));
}

} // namespace
