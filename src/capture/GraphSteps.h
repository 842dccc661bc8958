// The steps of building a capture graph, each on the graph value alone (CaptureGraph.h)
// and each returning its outcome: done, or failed with its platform result and the
// message the user is told (CaptureMessages.h; none for a failure that is not told). A
// step shows nothing and decides nothing: the control judges every outcome in one place
// (TVideoCapture::GoesOn), which shows the message and either goes on or ends the build.
#pragma once

#include "capture/CaptureGraph.h"
#include "capture/CaptureTypes.h"
#include "framework/PixelFormat.h"
#include "media/MediaPlatform.h"

#include <windows.h>
#include <dshow.h>
#include <wrl/client.h>

#include <cstdint>
#include <string>

namespace tb {

struct TBuildStep {
    bool Failed = false;
    HRESULT Result = S_OK;
    // The message format of a failure ("%x" takes the result); none: failed untold.
    const wchar_t* Message = nullptr;

    static TBuildStep Done() { return {}; }
    static TBuildStep Failure(const wchar_t* message, HRESULT result) {
        return {true, result, message};
    }
};

// Where the video and audio streams come from at this point of the build.
struct TStreamSources {
    Microsoft::WRL::ComPtr<IBaseFilter> Video;
    Microsoft::WRL::ComPtr<IBaseFilter> Audio;
};

// What the sample grabber step needs to know of the control.
struct TGrabberRequest {
    TPixelFormat PixelFormat = TPixelFormat::pf24bit;
    bool WantBitmapGrab = false;
    bool PermanentGrabbing = true;
    HWND Window = nullptr;
};

// The video source delivers interleaved DV (by its stream configuration's format).
bool IsDVSource(IMediaPlatform& platform, IAMStreamConfig* videoStreamConfig);

// The platform's capture graph builder sets up output files itself (it does on Windows;
// Wine's does not, and its multiplexer then takes video only). Asked of a throwaway graph
// that never runs; a builder that cannot be asked counts as one that does.
bool BuilderWritesFiles(IMediaPlatform& platform);

class TGraphSteps {
public:
    TGraphSteps(IMediaPlatform& platform, TCaptureGraph& graph)
        : platform_(platform), graph_(graph) {}

    // ---- The base graph --------------------------------------------------------------
    TBuildStep CreateBuilder();
    // The video device's filter in a new filter graph that the builder works on.
    TBuildStep AddVideoSource(IMoniker* videoDevice);
    // The capture pin's stream configuration: interleaved (DV) first, then video.
    TBuildStep FindVideoStreamConfig();
    // A DV source's decoder and splitter (they join the graph in RenderDV).
    TBuildStep MakeDVFilters();
    // The capture driver's dialogs, the video compressor's filter and its dialogs.
    TBuildStep FindDriverDialogs(IMoniker* videoCompressor);
    // The audio source: none for DV (its splitter carries the audio), else the chosen
    // audio device's filter.
    TBuildStep AddAudioSource(IMoniker* audioDevice);
    // The audio source's (or its compressor's) stream configuration.
    TBuildStep FindAudioStreamConfig(IMoniker* audioCompressor);

    // ---- The connections for the current settings -----------------------------------
    // DV: capture filter -> splitter -> decoder; the splitter carries the audio.
    TBuildStep RenderDV(TDVResolution resolution, TStreamSources& sources);
    // The audio source feeds an infinite tee, one of whose outputs goes to the default
    // audio renderer.
    TBuildStep RenderAudioPreview(TStreamSources& sources);
    // The smart tee that splits capture from preview.
    TBuildStep AddSmartTee(TStreamSources& sources);
    // The capture branch's null renderer, multiplexer and file writer: the builder's, or,
    // where it cannot set up a file, the AVI multiplexer and the program's own sink.
    TBuildStep AddFileWriter(const std::wstring& fileName);
    TBuildStep SetMasterStream(std::int32_t index);
    // The video (through its compressor) and the audio into the multiplexer.
    TBuildStep RenderToFile(const TStreamSources& sources);
    // The grabber on the video stream; with WantBitmapGrab the preview is drawn from the
    // grabber's output, which becomes the video source. A grabber that cannot be made
    // leaves the graph without one, untold.
    TBuildStep InstallSampleGrabber(const TGrabberRequest& request, TStreamSources& sources);
    TBuildStep RenderPreview(const TStreamSources& sources);
    TBuildStep FindVideoWindow();
    // Graph events posted to the window as WM_GRAPHNOTIFY; a graph without events is
    // taken as it is.
    void ConnectEvents(HWND window, UINT message);

private:
    HRESULT AddOwnFileWriter(const std::wstring& fileName);
    HRESULT InsertBehind(REFCLSID classId, const wchar_t* name, const GUID& major,
                         IBaseFilter* source, Microsoft::WRL::ComPtr<IBaseFilter>& filter);

    IMediaPlatform& platform_;
    TCaptureGraph& graph_;
};

} // namespace tb
