// Building the capture graph: the graph objects and capture filters first (the base
// graph), then the connections for the current settings. The steps are TGraphSteps'
// (GraphSteps.cpp); what a failed step does is decided here, in GoesOn.
#include "capture/CaptureMessages.h"
#include "capture/GraphBuild.h"
#include "capture/GraphSteps.h"
#include "capture/VideoCapture.h"
#include "devices/DeviceCatalogue.h"

#include <algorithm>
#include <iterator>
#include <string_view>

namespace tb {

namespace {

// The failures that are told and let the build go on: the graph is usable without what
// failed (a stream configuration, an audio device, the grabber, the video window, the
// master stream). Every other failure ends the build.
constexpr std::wstring_view kToldAndGoingOn[] = {
    msg::kCannotFindVideoStreamConfig, msg::kCannotCreateAudioDeviceFilter,
    msg::kCannotFindAudioStreamConfig, msg::kCannotInstallSampleGrabber,
    msg::kGraphCannotPreview,          msg::kSetMasterStreamFailed};

bool GoesOnAfter(const wchar_t* message) {
    return message != nullptr && std::find(std::begin(kToldAndGoingOn), std::end(kToldAndGoingOn),
                                           std::wstring_view(message)) != std::end(kToldAndGoingOn);
}

} // namespace

const GUID& GrabberSubtype(TPixelFormat format) {
    switch (format) {
    case TPixelFormat::pf1bit:
        return MEDIASUBTYPE_RGB1;
    case TPixelFormat::pf4bit:
        return MEDIASUBTYPE_RGB4;
    case TPixelFormat::pf8bit:
        return MEDIASUBTYPE_RGB8;
    case TPixelFormat::pf15bit:
        return MEDIASUBTYPE_RGB555;
    case TPixelFormat::pf16bit:
        return MEDIASUBTYPE_RGB565;
    case TPixelFormat::pf32bit:
        return MEDIASUBTYPE_RGB32;
    case TPixelFormat::pfDevice:
    case TPixelFormat::pf24bit:
    case TPixelFormat::pfCustom:
        break;
    }
    return MEDIASUBTYPE_RGB24;
}

AM_MEDIA_TYPE GrabberMediaType(TPixelFormat format) {
    AM_MEDIA_TYPE type{};
    type.majortype = MEDIATYPE_Video;
    type.subtype = GrabberSubtype(format);
    type.formattype = FORMAT_VideoInfo;
    return type;
}

bool TVideoCapture::GoesOn(const TBuildStep& step) {
    if (!step.Failed)
        return true;
    if (step.Message != nullptr)
        ShowCaptureError(step.Message, static_cast<std::int32_t>(step.Result));
    return GoesOnAfter(step.Message);
}

bool TVideoCapture::BuildBaseGraph() {
    // A graph built before (a device chosen again) is stopped and taken apart first: its
    // filters would otherwise stay connected and running behind objects being replaced.
    TearDownGraph();
    ReleaseGraphObjects();
    // A device that went away without a word is looked up afresh before it is opened
    // again: while it was gone the system may have dropped its registration (Wine does,
    // at the presence check), and it registers the device again only when asked to list.
    if (deviceLostSilently_ && videoDevice_ && services_.Devices != nullptr)
        services_.Devices->StillPresent(TDeviceCategory::VideoDevice, videoDevice_.Get());
    TGraphSteps steps(*platform_, graph_);
    const bool built = GoesOn(steps.CreateBuilder()) &&
                       GoesOn(steps.AddVideoSource(videoDevice_.Get())) &&
                       GoesOn(steps.FindVideoStreamConfig()) && GoesOn(steps.MakeDVFilters()) &&
                       GoesOn(steps.FindDriverDialogs(videoCompressor_.Get())) &&
                       GoesOn(steps.AddAudioSource(audioDevice_.Get())) &&
                       GoesOn(steps.FindAudioStreamConfig(audioCompressor_.Get()));
    if (!built)
        ReleaseGraphObjects();
    else
        deviceLostSilently_ = false;
    return built;
}

// A failure in the DV, audio preview, preview or window steps takes apart whatever the
// build added; a failed smart tee or capture branch ends the build with the graph as it
// is (a failed capture start takes it apart itself).
bool TVideoCapture::BuildGraph() {
    if (!graph_.FilterGraph || !graph_.VideoCaptureFilter)
        return false;
    if (graph_.Built.Complete)
        return true;
    if (captureRequested_ && captureFileName_.empty())
        return GoesOn(TBuildStep::Failure(msg::kCaptureFileNameRequired, 0));

    TGraphSteps steps(*platform_, graph_);
    TStreamSources sources{graph_.VideoCaptureFilter, graph_.AudioCaptureFilter};
    if (!GoesOn(steps.RenderDV(dvResolution_, sources)) ||
        (audioPreview_ && !GoesOn(steps.RenderAudioPreview(sources)))) {
        DismantleGraph();
        return false;
    }
    if (!GoesOn(steps.AddSmartTee(sources)))
        return false;

    if (captureRequested_) {
        bool branch = GoesOn(steps.AddFileWriter(captureFileName_));
        if (branch && graph_.Built.MuxConfig && sources.Audio)
            ApplyMasterStream(masterStream_);
        branch = branch && GoesOn(steps.RenderToFile(sources));
        captureRequested_ = false;
        if (!branch)
            return false;
    }
    if (!FinishGraph(sources.Video)) {
        DismantleGraph();
        return false;
    }
    return true;
}

bool TVideoCapture::FinishGraph(ComPtr<IBaseFilter> videoSource) {
    TGraphSteps steps(*platform_, graph_);
    TStreamSources sources{std::move(videoSource), nullptr};
    if ((wantBitmapGrab_ || permanentGrabbing_) &&
        !GoesOn(steps.InstallSampleGrabber(
            {pixelFormat_, wantBitmapGrab_, permanentGrabbing_, Handle()}, sources)))
        return false;
    if (!GoesOn(steps.RenderPreview(sources)))
        return false;

    // The video window: a child of the control, inside its bevels.
    const TBuildStep window = steps.FindVideoWindow();
    GoesOn(window);
    if (!window.Failed) {
        IVideoWindow& video = *graph_.Built.VideoWindow.Get();
        const OAHWND handle = reinterpret_cast<OAHWND>(Handle());
        video.put_WindowStyle(resizeable_ ? kVideoWindowSizingStyle : kVideoWindowStyle);
        video.put_Owner(handle);
        video.put_MessageDrain(handle);
        LayoutVideoWindow();
        video.put_Visible(OATRUE);
    }
    steps.ConnectEvents(Handle(), WM_GRAPHNOTIFY);
    DeviceDialogs().Detect();
    graph_.Built.Complete = true;
    return true;
}

void TVideoCapture::ApplyMasterStream(std::int32_t index) {
    const TBuildStep step = TGraphSteps(*platform_, graph_).SetMasterStream(index);
    if (!step.Failed)
        masterStream_ = index;
    GoesOn(step);
}

} // namespace tb
