// Building the capture graph: the graph objects and capture filters first (the base
// graph), then the connections for the current settings.
#include "capture/CaptureMessages.h"
#include "capture/GraphBuild.h"
#include "capture/SampleGrabberCB.h"
#include "capture/VideoCapture.h"

namespace tb {

namespace {

// Capture filters go into the graph without a name: the graph makes a unique one up.
// (An empty text is a name like any other, taken by the first filter that gets it.)
constexpr const wchar_t* kNoName = nullptr;

// Binds a device or compressor moniker to its filter.
HRESULT BindFilter(IMoniker* moniker, Microsoft::WRL::ComPtr<IBaseFilter>& filter) {
    filter.Reset();
    const HRESULT result = moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter,
                                                 reinterpret_cast<void**>(filter.GetAddressOf()));
    if (FAILED(result))
        filter.Reset();
    return result;
}

// ICaptureGraphBuilder2::FindInterface into a ComPtr, emptied unless it succeeded.
template <typename T>
HRESULT FindInterface(ICaptureGraphBuilder2& builder, const GUID* category, const GUID* type,
                      IBaseFilter* filter, Microsoft::WRL::ComPtr<T>& object) {
    object.Reset();
    const HRESULT result = builder.FindInterface(category, type, filter, __uuidof(T),
                                                 reinterpret_cast<void**>(object.GetAddressOf()));
    if (FAILED(result))
        object.Reset();
    return result;
}

// A created object that the platform claims without handing it out counts as a failure.
// (The pointer is read after the creation call has run.)
template <typename T>
HRESULT Checked(HRESULT result, const Microsoft::WRL::ComPtr<T>& object) {
    return SUCCEEDED(result) && !object ? E_NOINTERFACE : result;
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

bool TVideoCapture::BuildBaseGraph() {
    // A graph built before (a device chosen again) is stopped and taken apart first: its
    // filters would otherwise stay connected and running behind objects being replaced.
    TearDownGraph();
    ReleaseGraphObjects();
    HRESULT result = Checked(platform_->Create(CLSID_CaptureGraphBuilder2, captureGraphBuilder_),
                             captureGraphBuilder_);
    if (result != S_OK) {
        captureGraphBuilder_.Reset();
        ShowCaptureError(msg::kCannotCreateCaptureGraphBuilder, result);
        return false;
    }

    try {
        if (videoDevice_)
            BindFilter(videoDevice_.Get(), videoCaptureFilter_);
        if (!videoCaptureFilter_)
            RaiseCaptureError(msg::kCannotCreateVideoDeviceFilter, 0);

        result = Checked(platform_->Create(CLSID_FilterGraph, filterGraph_), filterGraph_);
        if (result != S_OK)
            RaiseCaptureError(msg::kCannotCreateGraphBuilder, result);
        if (captureGraphBuilder_->SetFiltergraph(filterGraph_.Get()) != S_OK)
            RaiseCaptureError(msg::kCannotSetFilterGraph, 0);
        result = filterGraph_->AddFilter(videoCaptureFilter_.Get(), kNoName);
        if (result != S_OK)
            RaiseCaptureError(msg::kCannotAddVideoCaptureFilter, result);

        // The capture pin's stream configuration: interleaved (DV) first, then video.
        if (FindInterface(*captureGraphBuilder_.Get(), &PIN_CATEGORY_CAPTURE,
                          &MEDIATYPE_Interleaved, videoCaptureFilter_.Get(),
                          videoStreamConfig_) != S_OK) {
            result = FindInterface(*captureGraphBuilder_.Get(), &PIN_CATEGORY_CAPTURE,
                                   &MEDIATYPE_Video, videoCaptureFilter_.Get(), videoStreamConfig_);
            if (result != S_OK) {
                videoStreamConfig_.Reset();
                ShowCaptureError(msg::kCannotFindVideoStreamConfig, result);
            }
        }

        // A DV source needs a splitter and a decoder; they join the graph in BuildGraph.
        if (IsDVStream()) {
            if (FAILED(filterGraph_->FindFilterByName(L"MyDVDecoder",
                                                      dvDecoder_.ReleaseAndGetAddressOf())) ||
                !dvDecoder_) {
                if (FAILED(
                        Checked(platform_->Create(CLSID_DVVideoCodec, dvDecoder_), dvDecoder_))) {
                    dvDecoder_.Reset();
                    RaiseCaptureError(msg::kCannotAddDVDecoder, 0);
                }
            }
            if (FAILED(filterGraph_->FindFilterByName(L"MyDVSplitter",
                                                      dvSplitter_.ReleaseAndGetAddressOf())) ||
                !dvSplitter_) {
                if (FAILED(
                        Checked(platform_->Create(CLSID_DVSplitter, dvSplitter_), dvSplitter_))) {
                    dvSplitter_.Reset();
                    RaiseCaptureError(msg::kCannotAddDVSplitter, 0);
                }
            }
        }

        FindInterface(*captureGraphBuilder_.Get(), &PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video,
                      videoCaptureFilter_.Get(), vfwCaptureDialogs_);

        if (videoCompressor_ && BindFilter(videoCompressor_.Get(), videoCompressorFilter_) == S_OK)
            FindInterface(*captureGraphBuilder_.Get(), &PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video,
                          videoCompressorFilter_.Get(), vfwCompressDialogs_);

        // The audio source: the DV splitter's audio, or the chosen audio device.
        if (!dvSplitter_) {
            audioCaptureFilter_.Reset();
            if (audioDevice_)
                BindFilter(audioDevice_.Get(), audioCaptureFilter_);
            if (!audioCaptureFilter_) {
                if (audioDevice_)
                    ShowCaptureError(msg::kCannotCreateAudioDeviceFilter, 0);
            } else {
                result = filterGraph_->AddFilter(audioCaptureFilter_.Get(), kNoName);
                if (result != S_OK)
                    RaiseCaptureError(msg::kCannotAddAudioCaptureFilter, result);
            }
        }
        if (audioCaptureFilter_) {
            IBaseFilter* audioSource = audioCaptureFilter_.Get();
            if (audioCompressor_ &&
                SUCCEEDED(BindFilter(audioCompressor_.Get(), audioCompressorFilter_)) &&
                audioCompressorFilter_)
                audioSource = audioCompressorFilter_.Get();
            if (FindInterface(*captureGraphBuilder_.Get(), nullptr, &MEDIATYPE_Audio, audioSource,
                              audioStreamConfig_) != S_OK) {
                audioStreamConfig_.Reset();
                ShowCaptureError(msg::kCannotFindAudioStreamConfig, 0);
            }
        }
    } catch (...) {
        ReleaseGraphObjects();
        return false;
    }
    return true;
}

bool TVideoCapture::BuildGraph() {
    if (!filterGraph_ || !videoCaptureFilter_)
        return false;
    if (graphBuilt_)
        return true;
    if (captureRequested_ && captureFileName_.empty()) {
        ShowCaptureError(msg::kCaptureFileNameRequired, 0);
        return false;
    }

    try {
        ComPtr<IBaseFilter> videoSource = videoCaptureFilter_;
        ComPtr<IBaseFilter> audioSource = audioCaptureFilter_;
        HRESULT result = S_OK;

        // DV: capture filter -> splitter -> decoder; the splitter carries the audio.
        if (IsDVStream()) {
            if (dvDecoder_)
                filterGraph_->AddFilter(dvDecoder_.Get(), L"MyDVDecoder");
            if (dvSplitter_)
                filterGraph_->AddFilter(dvSplitter_.Get(), L"MyDVSplitter");
            result = E_POINTER;
            if (dvDecoder_)
                result = captureGraphBuilder_->RenderStream(nullptr, &MEDIATYPE_Interleaved,
                                                            videoCaptureFilter_.Get(),
                                                            dvSplitter_.Get(), dvDecoder_.Get());
            if (result != S_OK)
                RaiseCaptureError(msg::kCannotRenderDVStream, result);
            ComPtr<IIPDVDec> resolution;
            if (SUCCEEDED(dvDecoder_.As(&resolution)) && resolution)
                resolution->put_IPDisplay(DVResolutionCode(dvResolution_));
            videoSource = dvDecoder_;
            audioSource = dvSplitter_;
        }

        // Audio preview: the audio source feeds an infinite tee, one of whose outputs
        // goes to the default audio renderer.
        if (audioPreview_ && audioSource) {
            ComPtr<IBaseFilter> infTee;
            result = Checked(platform_->Create(CLSID_InfTee, infTee), infTee);
            if (SUCCEEDED(result))
                result = filterGraph_->AddFilter(infTee.Get(), L"MyInfTee");
            if (SUCCEEDED(result))
                result = captureGraphBuilder_->RenderStream(
                    nullptr, &MEDIATYPE_Audio, audioSource.Get(), nullptr, infTee.Get());
            if (FAILED(result))
                RaiseCaptureError(msg::kAudioInitError, result);
            audioSource = infTee;
            result = captureGraphBuilder_->RenderStream(nullptr, &MEDIATYPE_Audio, infTee.Get(),
                                                        nullptr, nullptr);
            if (FAILED(result))
                RaiseCaptureError(msg::kCannotRenderAudioPreview, result);
        }

        // The smart tee splits capture from preview. Its failure ends the build quietly.
        {
            ComPtr<IBaseFilter> smartTee;
            result = Checked(platform_->Create(CLSID_SmartTee, smartTee), smartTee);
            if (SUCCEEDED(result))
                result = filterGraph_->AddFilter(smartTee.Get(), L"MySmartTee");
            if (SUCCEEDED(result))
                result = captureGraphBuilder_->RenderStream(
                    nullptr, &MEDIATYPE_Video, videoSource.Get(), nullptr, smartTee.Get());
            if (FAILED(result))
                return false;
            videoSource = smartTee;
        }

        if (captureRequested_) {
            try {
                BuildCaptureBranch(videoSource.Get(), audioSource.Get());
            } catch (...) {
                captureRequested_ = false;
                return false;
            }
        }

        if (wantBitmapGrab_ || permanentGrabbing_)
            InstallSampleGrabber(videoSource);

        result = captureGraphBuilder_->RenderStream(nullptr, &MEDIATYPE_Video, videoSource.Get(),
                                                    nullptr, nullptr);
        if (FAILED(result))
            RaiseCaptureError(msg::kCannotRenderPreview, result);

        // The video window: a child of the control, inside its bevels.
        result = filterGraph_.As(&videoWindow_);
        if (result != S_OK || !videoWindow_) {
            videoWindow_.Reset();
            ShowCaptureError(msg::kGraphCannotPreview, result);
        } else {
            const OAHWND window = reinterpret_cast<OAHWND>(Handle());
            videoWindow_->put_WindowStyle(resizeable_ ? kVideoWindowSizingStyle
                                                      : kVideoWindowStyle);
            videoWindow_->put_Owner(window);
            videoWindow_->put_MessageDrain(window);
            LayoutVideoWindow();
            videoWindow_->put_Visible(OATRUE);
        }

        if (filterGraph_.As(&mediaEvent_) == S_OK && mediaEvent_)
            mediaEvent_->SetNotifyWindow(reinterpret_cast<OAHWND>(Handle()), WM_GRAPHNOTIFY, 0);
        else
            mediaEvent_.Reset();

        DetectDialogs();
        graphBuilt_ = true;
        return true;
    } catch (...) {
        DismantleGraph();
        graphBuilt_ = false;
        return false;
    }
}

void TVideoCapture::BuildCaptureBranch(IBaseFilter* videoSource, IBaseFilter* audioSource) {
    if (SUCCEEDED(Checked(platform_->Create(kClsidNullRenderer, nullRenderer_), nullRenderer_)))
        filterGraph_->AddFilter(nullRenderer_.Get(), L"MyNullRenderer");
    else
        nullRenderer_.Reset();

    multiplexer_.Reset();
    fileWriter_.Reset();
    HRESULT result = captureGraphBuilder_->SetOutputFileName(
        &MEDIASUBTYPE_Avi, captureFileName_.c_str(), multiplexer_.GetAddressOf(),
        fileWriter_.GetAddressOf());
    if (result != S_OK || !multiplexer_)
        RaiseCaptureError(msg::kCannotSetCaptureFile, result);

    ComPtr<IFileSinkFilter2> sink;
    if (fileWriter_ && SUCCEEDED(fileWriter_.As(&sink)) && sink)
        sink->SetMode(AM_FILE_OVERWRITE);
    captureRequested_ = false;

    if (multiplexer_.As(&muxConfig_) == S_OK && muxConfig_) {
        muxConfig_->SetOutputCompatibilityIndex(TRUE);
        if (audioSource != nullptr)
            ApplyMasterStream(masterStream_);
    } else {
        muxConfig_.Reset();
    }

    if (videoCompressorFilter_)
        filterGraph_->AddFilter(videoCompressorFilter_.Get(), L"MyVideoCompressor");
    result = captureGraphBuilder_->RenderStream(nullptr, &MEDIATYPE_Video, videoSource,
                                                videoCompressorFilter_.Get(), multiplexer_.Get());
    if (result != S_OK)
        RaiseCaptureError(msg::kCannotRenderVideoCompressor, result);

    if (audioSource != nullptr) {
        if (audioCompressorFilter_)
            filterGraph_->AddFilter(audioCompressorFilter_.Get(), L"MyAudioCompressor");
        result =
            captureGraphBuilder_->RenderStream(nullptr, &MEDIATYPE_Audio, audioSource,
                                               audioCompressorFilter_.Get(), multiplexer_.Get());
        if (FAILED(result))
            RaiseCaptureError(msg::kCannotRenderAudioCompressor, result);
    }
}

void TVideoCapture::InstallSampleGrabber(ComPtr<IBaseFilter>& videoSource) {
    ComPtr<IBaseFilter> grabberFilter;
    if (FAILED(filterGraph_->FindFilterByName(L"MyBitmapGrabber", grabberFilter.GetAddressOf())) ||
        !grabberFilter) {
        grabberFilter.Reset();
        if (platform_->Create(kClsidSampleGrabber, grabberFilter) != S_OK || !grabberFilter)
            return;
        if (filterGraph_->AddFilter(grabberFilter.Get(), L"MyBitmapGrabber") != S_OK)
            return;
    }
    ComPtr<ISampleGrabber> grabber;
    if (grabberFilter.As(&grabber) != S_OK || !grabber)
        return;
    sampleGrabber_ = grabber;

    if (pixelFormat_ != TPixelFormat::pfDevice) {
        AM_MEDIA_TYPE type = GrabberMediaType(pixelFormat_);
        sampleGrabber_->SetMediaType(&type);
    }

    const HRESULT result = captureGraphBuilder_->RenderStream(
        nullptr, &MEDIATYPE_Video, videoSource.Get(), nullptr, grabberFilter.Get());
    if (FAILED(result)) {
        ShowCaptureError(msg::kCannotInstallSampleGrabber, result);
        return;
    }

    // With WantBitmapGrab the preview is drawn from the grabber's output (buffer
    // callback); otherwise the grabber hangs on a branch of its own (sample callback).
    sampleGrabber_->SetBufferSamples(wantBitmapGrab_ ? (permanentGrabbing_ ? TRUE : FALSE) : TRUE);
    sampleGrabber_->SetOneShot(FALSE);
    if (!grabberCallback_)
        grabberCallback_ = TSampleGrabberCB::Make();
    grabberCallback_->TargetWindow = Handle();
    sampleGrabber_->SetCallback(grabberCallback_.Get(), wantBitmapGrab_ ? 1 : 0);
    if (wantBitmapGrab_)
        videoSource = grabberFilter;
}

void TVideoCapture::ApplyMasterStream(std::int32_t index) {
    if (muxConfig_ && muxConfig_->SetMasterStream(index) == S_OK)
        masterStream_ = index;
    else
        ShowCaptureError(msg::kSetMasterStreamFailed, 0);
}

} // namespace tb
