#include "unit/capture/GraphFixture.h"

#include "fakes/FakeFilterParts.h"

namespace tbtest {

using namespace tbfake;

GraphFixture::GraphFixture() = default;

void GraphFixture::FreshWorld() {
    control_.reset();
    catalogue_.reset();
    camera_.Reset();
    cameraMoniker_.Reset();
    microphone_.Reset();
    microphoneMoniker_.Reset();
    codecMoniker_.Reset();
    audioCodecMoniker_.Reset();
    dvDecoder_.Reset();
    dvSplitter_.Reset();
    presetGraph_.Reset();
    presetBuilder_.Reset();
    droppedFrames_.Reset();
    world_ = std::make_unique<TFakeMediaWorld>();
    prompter_->messages.clear();
}

void GraphFixture::TearDown() {
    control_.reset();
    catalogue_.reset();
    camera_.Reset();
    cameraMoniker_.Reset();
    microphone_.Reset();
    microphoneMoniker_.Reset();
    codecMoniker_.Reset();
    audioCodecMoniker_.Reset();
    dvDecoder_.Reset();
    dvSplitter_.Reset();
    presetGraph_.Reset();
    presetBuilder_.Reset();
    droppedFrames_.Reset();
    world_.reset();
    EXPECT_TRUE(ledger_.Clean()) << ledger_.Describe();
}

void GraphFixture::AddCamera(const TFakeMediaType& format) {
    camera_ = MakeCaptureFilter(L"Cam", World().Platform()->SharedLog(), format);
    cameraMoniker_ = World().DeviceEnumerator()->AddDevice(CLSID_VideoInputDeviceCategory, L"Cam");
    cameraMoniker_->SetFilter(AsUnknown(camera_));
}

void GraphFixture::AddCamera() {
    AddCamera(VideoInfoType(MEDIASUBTYPE_RGB24, 640, 480, 24));
}

void GraphFixture::AddDVCamera() {
    TFakeMediaType dv;
    dv.majorType = MEDIATYPE_Interleaved;
    dv.subtype = MEDIASUBTYPE_dvsd;
    AddCamera(dv);
    const auto& log = World().Platform()->SharedLog();
    dvDecoder_ = MakeFake<FakeFilter>(L"DVDecoder", log, CLSID_DVVideoCodec);
    dvDecoder_->Attach(__uuidof(IIPDVDec),
                       MakeFake<FakeDvDecoderResolution>(L"DVDecoder.Res", log));
    dvSplitter_ = MakeFake<FakeFilter>(L"DVSplitter", log, CLSID_DVSplitter);
    World().Platform()->Register(CLSID_DVVideoCodec, dvDecoder_);
    World().Platform()->Register(CLSID_DVSplitter, dvSplitter_);
}

void GraphFixture::AddMicrophone() {
    const auto& log = World().Platform()->SharedLog();
    microphone_ = MakeFake<FakeFilter>(L"Mic", log);
    microphone_->AddPin(L"Capture", PINDIR_OUTPUT);
    TFakeMediaType audio;
    audio.majorType = MEDIATYPE_Audio;
    microphone_->Attach(IID_IAMStreamConfig, MakeFake<FakeStreamConfig>(L"Mic.Config", log, audio));
    microphoneMoniker_ =
        World().DeviceEnumerator()->AddDevice(CLSID_AudioInputDeviceCategory, L"Mic");
    microphoneMoniker_->SetFilter(AsUnknown(microphone_));
}

void GraphFixture::AddCompressors() {
    const auto& log = World().Platform()->SharedLog();
    auto codec = MakeFake<FakeFilter>(L"Codec", log);
    codec->Attach(__uuidof(IAMVfwCompressDialogs),
                  MakeFake<FakeVfwCompressDialogs>(L"Codec.Dialogs", log));
    codecMoniker_ = World().DeviceEnumerator()->AddDevice(CLSID_VideoCompressorCategory, L"Codec");
    codecMoniker_->SetFilter(AsUnknown(codec));
    auto audioCodec = MakeFake<FakeFilter>(L"ACodec", log);
    TFakeMediaType audio;
    audio.majorType = MEDIATYPE_Audio;
    audioCodec->Attach(IID_IAMStreamConfig,
                       MakeFake<FakeStreamConfig>(L"ACodec.Config", log, audio));
    audioCodecMoniker_ =
        World().DeviceEnumerator()->AddDevice(CLSID_AudioCompressorCategory, L"ACodec");
    audioCodecMoniker_->SetFilter(AsUnknown(audioCodec));
}

FakeFilterGraph& GraphFixture::PresetGraph() {
    presetGraph_ = MakeFake<FakeFilterGraph>(World().Platform()->SharedLog());
    World().Platform()->Register(CLSID_FilterGraph, presetGraph_);
    return *presetGraph_.Get();
}

FakeCaptureGraphBuilder& GraphFixture::PresetBuilder() {
    presetBuilder_ = MakeFake<FakeCaptureGraphBuilder>(World().Platform()->SharedLog());
    World().Platform()->Register(CLSID_CaptureGraphBuilder2, presetBuilder_);
    return *presetBuilder_.Get();
}

FakeDroppedFrames& GraphFixture::AddDroppedFrameCounter() {
    droppedFrames_ = MakeFake<FakeDroppedFrames>(L"Cam.Dropped", World().Platform()->SharedLog());
    camera_->Attach(IID_IAMDroppedFrames, droppedFrames_);
    return *droppedFrames_.Get();
}

tb::TVideoCapture& GraphFixture::MakeControl() {
    control_ =
        std::make_unique<tb::TVideoCapture>(nullptr, L"VideoCapture1", World().Platform(), clock_,
                                            catalogue_ ? &*catalogue_ : tb::DefaultDevices());
    control_->SetReinitOnSelect(false);
    if (cameraMoniker_)
        control_->SelectVideoDevice(cameraMoniker_);
    if (microphoneMoniker_)
        control_->SelectAudioDevice(microphoneMoniker_);
    if (codecMoniker_)
        control_->SelectVideoCompressor(codecMoniker_);
    if (audioCodecMoniker_)
        control_->SelectAudioCompressor(audioCodecMoniker_);
    return *control_;
}

tb::TVideoCapture& GraphFixture::BuiltControl() {
    auto& control = MakeControl();
    EXPECT_TRUE(Access::BuildBaseGraph(control));
    EXPECT_TRUE(Access::BuildGraph(control));
    ClearLog();
    return control;
}

std::vector<std::wstring> GraphFixture::Messages() const {
    std::vector<std::wstring> texts;
    for (const auto& message : prompter_->messages)
        texts.push_back(message.text);
    return texts;
}

void GraphFixture::RecordEvents() {
    auto record = [this](const wchar_t* name) {
        return [this, name](tb::TVideoCapture&) { events.emplace_back(name); };
    };
    control_->OnStartPreview = record(L"StartPreview");
    control_->OnStopPreview = record(L"StopPreview");
    control_->OnCloseCapture = record(L"CloseCapture");
    control_->OnCaptureProgress = record(L"CaptureProgress");
    control_->OnAborted = record(L"Aborted");
    control_->OnDeviceLost = record(L"DeviceLost");
    control_->OnStartCapture = record(L"StartCapture");
    control_->OnStopCapture = record(L"StopCapture");
}

} // namespace tbtest
