#include "capture/GraphSteps.h"

#include "capture/CaptureMessages.h"
#include "capture/GraphBuild.h"
#include "media/ComHelpers.h"
#include "media/FileSink.h"
#include "media/MediaType.h"

namespace tb {

namespace {

using Microsoft::WRL::ComPtr;

// Capture filters go into the graph without a name: the graph makes a unique one up.
// (An empty text is a name like any other, taken by the first filter that gets it.)
constexpr const wchar_t* kNoName = nullptr;

// Binds a device or compressor moniker to its filter.
HRESULT BindFilter(IMoniker* moniker, ComPtr<IBaseFilter>& filter) {
    filter.Reset();
    const HRESULT result = moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter,
                                                 reinterpret_cast<void**>(filter.GetAddressOf()));
    if (FAILED(result))
        filter.Reset();
    return result;
}

// A created object that the platform claims without handing it out counts as a failure.
// (The pointer is read after the creation call has run.)
template <typename T>
HRESULT Checked(HRESULT result, const ComPtr<T>& object) {
    return SUCCEEDED(result) && !object ? E_NOINTERFACE : result;
}

TBuildStep Fail(const wchar_t* message, HRESULT result) {
    return TBuildStep::Failure(message, result);
}

} // namespace

bool IsDVSource(IMediaPlatform& platform, IAMStreamConfig* videoStreamConfig) {
    if (videoStreamConfig == nullptr)
        return false;
    UniqueMediaType type(platform);
    const HRESULT result = videoStreamConfig->GetFormat(type.Put());
    return result == S_OK && type && type->majortype == MEDIATYPE_Interleaved;
}

bool BuilderWritesFiles(IMediaPlatform& platform) {
    ComPtr<ICaptureGraphBuilder2> builder;
    ComPtr<IGraphBuilder> graph;
    if (platform.Create(CLSID_CaptureGraphBuilder2, builder) != S_OK || !builder ||
        platform.Create(CLSID_FilterGraph, graph) != S_OK || !graph ||
        builder->SetFiltergraph(graph.Get()) != S_OK)
        return true;
    wchar_t folder[MAX_PATH + 1] = {};
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, folder);
    const std::wstring name =
        std::wstring(length > 0 && length <= MAX_PATH ? folder : L"") + L"TestBench probe.avi";
    ComPtr<IBaseFilter> multiplexer;
    ComPtr<IFileSinkFilter> writer;
    return builder->SetOutputFileName(&MEDIASUBTYPE_Avi, name.c_str(), multiplexer.GetAddressOf(),
                                      writer.GetAddressOf()) != E_NOTIMPL;
}

// ---- The base graph ------------------------------------------------------------------

TBuildStep TGraphSteps::CreateBuilder() {
    const HRESULT result =
        Checked(platform_.Create(CLSID_CaptureGraphBuilder2, graph_.Builder), graph_.Builder);
    if (result != S_OK) {
        graph_.Builder.Reset();
        return Fail(msg::kCannotCreateCaptureGraphBuilder, result);
    }
    return TBuildStep::Done();
}

TBuildStep TGraphSteps::AddVideoSource(IMoniker* videoDevice) {
    if (videoDevice != nullptr)
        BindFilter(videoDevice, graph_.VideoCaptureFilter);
    if (!graph_.VideoCaptureFilter)
        return Fail(msg::kCannotCreateVideoDeviceFilter, 0);
    HRESULT result =
        Checked(platform_.Create(CLSID_FilterGraph, graph_.FilterGraph), graph_.FilterGraph);
    if (result != S_OK)
        return Fail(msg::kCannotCreateGraphBuilder, result);
    if (graph_.Builder->SetFiltergraph(graph_.FilterGraph.Get()) != S_OK)
        return Fail(msg::kCannotSetFilterGraph, 0);
    result = graph_.FilterGraph->AddFilter(graph_.VideoCaptureFilter.Get(), kNoName);
    if (result != S_OK)
        return Fail(msg::kCannotAddVideoCaptureFilter, result);
    return TBuildStep::Done();
}

TBuildStep TGraphSteps::FindVideoStreamConfig() {
    const HRESULT result =
        FindOnVideoPin(graph_.Builder.Get(), &PIN_CATEGORY_CAPTURE, graph_.VideoCaptureFilter.Get(),
                       graph_.VideoStreamConfig);
    if (result != S_OK) {
        graph_.VideoStreamConfig.Reset();
        return Fail(msg::kCannotFindVideoStreamConfig, result);
    }
    return TBuildStep::Done();
}

TBuildStep TGraphSteps::MakeDVFilters() {
    if (!IsDVSource(platform_, graph_.VideoStreamConfig.Get()))
        return TBuildStep::Done();
    // A filter of that name already in the graph is taken, else a new one is made.
    const auto make = [this](const wchar_t* name, REFCLSID classId, ComPtr<IBaseFilter>& filter) {
        if (SUCCEEDED(
                graph_.FilterGraph->FindFilterByName(name, filter.ReleaseAndGetAddressOf())) &&
            filter)
            return true;
        if (SUCCEEDED(Checked(platform_.Create(classId, filter), filter)))
            return true;
        filter.Reset();
        return false;
    };
    if (!make(L"MyDVDecoder", CLSID_DVVideoCodec, graph_.DvDecoder))
        return Fail(msg::kCannotAddDVDecoder, 0);
    if (!make(L"MyDVSplitter", CLSID_DVSplitter, graph_.DvSplitter))
        return Fail(msg::kCannotAddDVSplitter, 0);
    return TBuildStep::Done();
}

TBuildStep TGraphSteps::FindDriverDialogs(IMoniker* videoCompressor) {
    FindOnPath(graph_.Builder.Get(), &PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video,
               graph_.VideoCaptureFilter.Get(), graph_.VfwCaptureDialogs);
    if (videoCompressor != nullptr &&
        BindFilter(videoCompressor, graph_.VideoCompressorFilter) == S_OK)
        FindOnPath(graph_.Builder.Get(), &PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video,
                   graph_.VideoCompressorFilter.Get(), graph_.VfwCompressDialogs);
    return TBuildStep::Done();
}

TBuildStep TGraphSteps::AddAudioSource(IMoniker* audioDevice) {
    if (graph_.DvSplitter)
        return TBuildStep::Done();
    graph_.AudioCaptureFilter.Reset();
    if (audioDevice != nullptr)
        BindFilter(audioDevice, graph_.AudioCaptureFilter);
    if (!graph_.AudioCaptureFilter)
        return audioDevice != nullptr ? Fail(msg::kCannotCreateAudioDeviceFilter, 0)
                                      : TBuildStep::Done();
    const HRESULT result = graph_.FilterGraph->AddFilter(graph_.AudioCaptureFilter.Get(), kNoName);
    if (result != S_OK)
        return Fail(msg::kCannotAddAudioCaptureFilter, result);
    return TBuildStep::Done();
}

TBuildStep TGraphSteps::FindAudioStreamConfig(IMoniker* audioCompressor) {
    if (!graph_.AudioCaptureFilter)
        return TBuildStep::Done();
    IBaseFilter* audioSource = graph_.AudioCaptureFilter.Get();
    if (audioCompressor != nullptr &&
        SUCCEEDED(BindFilter(audioCompressor, graph_.AudioCompressorFilter)) &&
        graph_.AudioCompressorFilter)
        audioSource = graph_.AudioCompressorFilter.Get();
    if (FindOnPath(graph_.Builder.Get(), nullptr, &MEDIATYPE_Audio, audioSource,
                   graph_.AudioStreamConfig) != S_OK) {
        graph_.AudioStreamConfig.Reset();
        return Fail(msg::kCannotFindAudioStreamConfig, 0);
    }
    return TBuildStep::Done();
}

// ---- The connections -----------------------------------------------------------------

TBuildStep TGraphSteps::RenderDV(TDVResolution resolution, TStreamSources& sources) {
    if (!IsDVSource(platform_, graph_.VideoStreamConfig.Get()))
        return TBuildStep::Done();
    if (graph_.DvDecoder)
        graph_.FilterGraph->AddFilter(graph_.DvDecoder.Get(), L"MyDVDecoder");
    if (graph_.DvSplitter)
        graph_.FilterGraph->AddFilter(graph_.DvSplitter.Get(), L"MyDVSplitter");
    HRESULT result = E_POINTER;
    if (graph_.DvDecoder)
        result = graph_.Builder->RenderStream(nullptr, &MEDIATYPE_Interleaved,
                                              graph_.VideoCaptureFilter.Get(),
                                              graph_.DvSplitter.Get(), graph_.DvDecoder.Get());
    if (result != S_OK)
        return Fail(msg::kCannotRenderDVStream, result);
    ComPtr<IIPDVDec> display;
    if (SUCCEEDED(graph_.DvDecoder.As(&display)) && display)
        display->put_IPDisplay(DVResolutionCode(resolution));
    sources.Video = graph_.DvDecoder;
    sources.Audio = graph_.DvSplitter;
    return TBuildStep::Done();
}

// Creates a filter, adds it to the graph under `name` and renders `source`'s stream of
// `major` type into it.
HRESULT TGraphSteps::InsertBehind(REFCLSID classId, const wchar_t* name, const GUID& major,
                                  IBaseFilter* source, ComPtr<IBaseFilter>& filter) {
    HRESULT result = Checked(platform_.Create(classId, filter), filter);
    if (SUCCEEDED(result))
        result = graph_.FilterGraph->AddFilter(filter.Get(), name);
    if (SUCCEEDED(result))
        result = graph_.Builder->RenderStream(nullptr, &major, source, nullptr, filter.Get());
    return result;
}

TBuildStep TGraphSteps::RenderAudioPreview(TStreamSources& sources) {
    if (!sources.Audio)
        return TBuildStep::Done();
    ComPtr<IBaseFilter> infTee;
    HRESULT result =
        InsertBehind(CLSID_InfTee, L"MyInfTee", MEDIATYPE_Audio, sources.Audio.Get(), infTee);
    if (FAILED(result))
        return Fail(msg::kAudioInitError, result);
    sources.Audio = infTee;
    result =
        graph_.Builder->RenderStream(nullptr, &MEDIATYPE_Audio, infTee.Get(), nullptr, nullptr);
    if (FAILED(result))
        return Fail(msg::kCannotRenderAudioPreview, result);
    return TBuildStep::Done();
}

TBuildStep TGraphSteps::AddSmartTee(TStreamSources& sources) {
    ComPtr<IBaseFilter> smartTee;
    const HRESULT result =
        InsertBehind(CLSID_SmartTee, L"MySmartTee", MEDIATYPE_Video, sources.Video.Get(), smartTee);
    if (FAILED(result))
        return Fail(nullptr, result); // untold
    sources.Video = smartTee;
    return TBuildStep::Done();
}

TBuildStep TGraphSteps::AddFileWriter(const std::wstring& fileName) {
    TBuiltGraph& built = graph_.Built;
    if (SUCCEEDED(
            Checked(platform_.Create(kClsidNullRenderer, built.NullRenderer), built.NullRenderer)))
        graph_.FilterGraph->AddFilter(built.NullRenderer.Get(), L"MyNullRenderer");
    else
        built.NullRenderer.Reset();

    built.Multiplexer.Reset();
    built.FileWriter.Reset();
    HRESULT result = graph_.Builder->SetOutputFileName(&MEDIASUBTYPE_Avi, fileName.c_str(),
                                                       built.Multiplexer.GetAddressOf(),
                                                       built.FileWriter.GetAddressOf());
    if (result == E_NOTIMPL)
        result = AddOwnFileWriter(fileName);
    if (result != S_OK || !built.Multiplexer)
        return Fail(msg::kCannotSetCaptureFile, result);
    // The multiplexer behind the program's own sink takes video only and has no master
    // stream or compatibility index to set (Wine's answers E_NOTIMPL to both).
    if (built.OwnFileSink)
        return TBuildStep::Done();

    ComPtr<IFileSinkFilter2> sink;
    if (built.FileWriter && SUCCEEDED(built.FileWriter.As(&sink)) && sink)
        sink->SetMode(AM_FILE_OVERWRITE);
    if (built.Multiplexer.As(&built.MuxConfig) == S_OK && built.MuxConfig)
        built.MuxConfig->SetOutputCompatibilityIndex(TRUE);
    else
        built.MuxConfig.Reset();
    return TBuildStep::Done();
}

// Where the builder cannot set up a file (Wine), the platform's AVI multiplexer in the one
// mode it runs in, writing through the program's own file sink. Whatever joined the graph
// leaves it again on failure, so that no sink with a file name stays behind to create its
// file when the graph runs.
HRESULT TGraphSteps::AddOwnFileWriter(const std::wstring& fileName) {
    TBuiltGraph& built = graph_.Built;
    ComPtr<IBaseFilter> multiplexer;
    ComPtr<IBaseFilter> sink;
    ComPtr<IFileSinkFilter> file;
    HRESULT result = Checked(platform_.Create(CLSID_AviDest, multiplexer), multiplexer);
    if (SUCCEEDED(result))
        result = Checked(platform_.Create(kClsidFileSink, sink), sink);
    if (SUCCEEDED(result))
        result = Checked(sink.As(&file), file);
    if (SUCCEEDED(result))
        result = file->SetFileName(fileName.c_str(), nullptr);
    if (FAILED(result))
        return result;

    ComPtr<IConfigInterleaving> interleaving;
    if (multiplexer.As(&interleaving) == S_OK && interleaving)
        interleaving->put_Mode(INTERLEAVE_FULL);
    result = graph_.FilterGraph->AddFilter(multiplexer.Get(), L"MyAviMux");
    if (SUCCEEDED(result)) {
        result = graph_.FilterGraph->AddFilter(sink.Get(), L"MyFileSink");
        if (SUCCEEDED(result)) {
            result = graph_.Builder->RenderStream(nullptr, nullptr, multiplexer.Get(), nullptr,
                                                  sink.Get());
            if (FAILED(result))
                graph_.FilterGraph->RemoveFilter(sink.Get());
        }
        if (FAILED(result))
            graph_.FilterGraph->RemoveFilter(multiplexer.Get());
    }
    if (FAILED(result))
        return result;
    built.Multiplexer = multiplexer;
    built.FileWriter = file;
    built.OwnFileSink = true;
    return S_OK;
}

TBuildStep TGraphSteps::SetMasterStream(std::int32_t index) {
    if (graph_.Built.MuxConfig && graph_.Built.MuxConfig->SetMasterStream(index) == S_OK)
        return TBuildStep::Done();
    return Fail(msg::kSetMasterStreamFailed, 0);
}

TBuildStep TGraphSteps::RenderToFile(const TStreamSources& sources) {
    if (graph_.VideoCompressorFilter)
        graph_.FilterGraph->AddFilter(graph_.VideoCompressorFilter.Get(), L"MyVideoCompressor");
    HRESULT result = graph_.Builder->RenderStream(nullptr, &MEDIATYPE_Video, sources.Video.Get(),
                                                  graph_.VideoCompressorFilter.Get(),
                                                  graph_.Built.Multiplexer.Get());
    if (result != S_OK)
        return Fail(msg::kCannotRenderVideoCompressor, result);
    if (!sources.Audio)
        return TBuildStep::Done();
    if (graph_.AudioCompressorFilter)
        graph_.FilterGraph->AddFilter(graph_.AudioCompressorFilter.Get(), L"MyAudioCompressor");
    result = graph_.Builder->RenderStream(nullptr, &MEDIATYPE_Audio, sources.Audio.Get(),
                                          graph_.AudioCompressorFilter.Get(),
                                          graph_.Built.Multiplexer.Get());
    // The multiplexer behind the program's own sink (Wine's) takes video only: the video
    // is recorded alone, as the recording dialog told before the start.
    if (FAILED(result) && graph_.Built.OwnFileSink) {
        if (graph_.AudioCompressorFilter)
            graph_.FilterGraph->RemoveFilter(graph_.AudioCompressorFilter.Get());
        return TBuildStep::Done();
    }
    if (FAILED(result))
        return Fail(msg::kCannotRenderAudioCompressor, result);
    return TBuildStep::Done();
}

TBuildStep TGraphSteps::InstallSampleGrabber(const TGrabberRequest& request,
                                             TStreamSources& sources) {
    ComPtr<IBaseFilter> grabberFilter;
    if (FAILED(graph_.FilterGraph->FindFilterByName(L"MyBitmapGrabber",
                                                    grabberFilter.GetAddressOf())) ||
        !grabberFilter) {
        grabberFilter.Reset();
        if (platform_.Create(kClsidSampleGrabber, grabberFilter) != S_OK || !grabberFilter)
            return TBuildStep::Done();
        if (graph_.FilterGraph->AddFilter(grabberFilter.Get(), L"MyBitmapGrabber") != S_OK)
            return TBuildStep::Done();
    }
    ComPtr<ISampleGrabber> grabber;
    if (grabberFilter.As(&grabber) != S_OK || !grabber)
        return TBuildStep::Done();
    graph_.Built.SampleGrabber = grabber;

    if (request.PixelFormat != TPixelFormat::pfDevice) {
        AM_MEDIA_TYPE type = GrabberMediaType(request.PixelFormat);
        grabber->SetMediaType(&type);
    }

    const HRESULT result = graph_.Builder->RenderStream(
        nullptr, &MEDIATYPE_Video, sources.Video.Get(), nullptr, grabberFilter.Get());
    if (FAILED(result))
        return Fail(msg::kCannotInstallSampleGrabber, result);

    // With WantBitmapGrab the preview is drawn from the grabber's output (buffer
    // callback); otherwise the grabber hangs on a branch of its own (sample callback).
    grabber->SetBufferSamples(request.WantBitmapGrab ? (request.PermanentGrabbing ? TRUE : FALSE)
                                                     : TRUE);
    grabber->SetOneShot(FALSE);
    TSampleGrabberCB& callback = graph_.Built.GrabberCallback.Ensure();
    callback.TargetWindow = request.Window;
    grabber->SetCallback(&callback, request.WantBitmapGrab ? 1 : 0);
    if (request.WantBitmapGrab)
        sources.Video = grabberFilter;
    return TBuildStep::Done();
}

TBuildStep TGraphSteps::RenderPreview(const TStreamSources& sources) {
    const HRESULT result = graph_.Builder->RenderStream(nullptr, &MEDIATYPE_Video,
                                                        sources.Video.Get(), nullptr, nullptr);
    if (FAILED(result))
        return Fail(msg::kCannotRenderPreview, result);
    return TBuildStep::Done();
}

TBuildStep TGraphSteps::FindVideoWindow() {
    const HRESULT result = graph_.FilterGraph.As(&graph_.Built.VideoWindow);
    if (result != S_OK || !graph_.Built.VideoWindow) {
        graph_.Built.VideoWindow.Reset();
        return Fail(msg::kGraphCannotPreview, result);
    }
    return TBuildStep::Done();
}

void TGraphSteps::ConnectEvents(HWND window, UINT message) {
    ComPtr<IMediaEventEx>& events = graph_.Built.MediaEvent;
    if (graph_.FilterGraph.As(&events) == S_OK && events)
        events->SetNotifyWindow(reinterpret_cast<OAHWND>(window), message, 0);
    else
        events.Reset();
}

} // namespace tb
