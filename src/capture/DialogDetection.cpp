// Which device dialogs and property pages the graph built last offers: the
// availability set, rebuilt at the end of every graph build.
#include "capture/PopupMenuLayout.h"
#include "capture/VideoCapture.h"

#include <vector>

namespace tb {

namespace {

using Microsoft::WRL::ComPtr;

// ICaptureGraphBuilder2::FindInterface into a ComPtr, left empty unless it succeeded.
template <typename T>
bool Find(ICaptureGraphBuilder2* builder, const GUID* category, const GUID* type,
          IBaseFilter* filter, ComPtr<T>& object) {
    object.Reset();
    if (builder == nullptr || filter == nullptr)
        return false;
    const HRESULT result = builder->FindInterface(category, type, filter, __uuidof(T),
                                                  reinterpret_cast<void**>(object.GetAddressOf()));
    if (FAILED(result))
        object.Reset();
    return object != nullptr;
}

// The same on the capture pin, for the interleaved type first and then for video.
template <typename T>
bool FindOnVideoCapturePin(ICaptureGraphBuilder2* builder, const GUID* category,
                           IBaseFilter* filter, ComPtr<T>& object) {
    return Find(builder, category, &MEDIATYPE_Interleaved, filter, object) ||
           Find(builder, category, &MEDIATYPE_Video, filter, object);
}

constexpr std::uint16_t Bit(int kind) {
    return static_cast<std::uint16_t>(1u << kind);
}

} // namespace

void TVideoCapture::DetectDialogs() {
    dialogAvailability_ = 0;
    crossbar_.Reset();
    tvTuner_.Reset();
    tvAudio_.Reset();
    ICaptureGraphBuilder2* builder = captureGraphBuilder_.Get();

    if (vfwCaptureDialogs_) {
        if (vfwCaptureDialogs_->HasDialog(VfwCaptureDialog_Format) == S_OK)
            dialogAvailability_ |= Bit(dkVideoFormat);
        if (vfwCaptureDialogs_->HasDialog(VfwCaptureDialog_Source) == S_OK)
            dialogAvailability_ |= Bit(dkVideoSource);
        if (vfwCaptureDialogs_->HasDialog(VfwCaptureDialog_Display) == S_OK)
            dialogAvailability_ |= Bit(dkVideoDisplay);
    }

    if (audioCaptureFilter_ && OffersPropertyPages(audioCaptureFilter_.Get()))
        dialogAvailability_ |= Bit(dkAudioDecoder);

    if (videoCompressorFilter_ && OffersPropertyPages(videoCompressorFilter_.Get())) {
        dialogAvailability_ |= Bit(dkVideoCompressor);
    } else if (vfwCompressDialogs_ &&
               vfwCompressDialogs_->ShowDialog(VfwCompressDialog_QueryConfig, Handle()) == S_OK) {
        dialogAvailability_ |= Bit(dkVideoCompressor);
        // Asking for the driver's state once is part of the query (some drivers need it);
        // the state itself is not used.
        int size = 0;
        if (SUCCEEDED(vfwCompressDialogs_->GetState(nullptr, &size)) && size > 0) {
            std::vector<BYTE> state(static_cast<size_t>(size));
            vfwCompressDialogs_->GetState(state.data(), &size);
        }
    }

    // Video-for-Windows devices have their driver dialogs and nothing of the following.
    if (!videoCaptureFilter_ || (dialogAvailability_ & Bit(dkVideoFormat)) != 0)
        return;
    IBaseFilter* video = videoCaptureFilter_.Get();

    if (OffersPropertyPages(video))
        dialogAvailability_ |= Bit(dkVideoDecoder);

    ComPtr<IAMStreamConfig> config;
    if (FindOnVideoCapturePin(builder, &PIN_CATEGORY_CAPTURE, video, config) &&
        OffersPropertyPages(config.Get()))
        dialogAvailability_ |= Bit(dkVideoStreamFormat);
    if (FindOnVideoCapturePin(builder, &PIN_CATEGORY_PREVIEW, video, config) &&
        OffersPropertyPages(config.Get()))
        dialogAvailability_ |= Bit(dkVideoPreview);

    if (FindOnVideoCapturePin(builder, &PIN_CATEGORY_CAPTURE, video, crossbar_)) {
        if (OffersPropertyPages(crossbar_.Get()))
            dialogAvailability_ |= Bit(dkCrossbar);
        // A second crossbar further upstream (audio routing, for instance) shares the item.
        ComPtr<IBaseFilter> crossbarFilter;
        ComPtr<IAMCrossbar> upstream;
        if (SUCCEEDED(crossbar_.As(&crossbarFilter)) && crossbarFilter &&
            Find(builder, &LOOK_UPSTREAM_ONLY, nullptr, crossbarFilter.Get(), upstream) &&
            OffersPropertyPages(upstream.Get()))
            dialogAvailability_ |= Bit(dkCrossbar);
    }

    if (FindOnVideoCapturePin(builder, &PIN_CATEGORY_CAPTURE, video, tvTuner_) &&
        OffersPropertyPages(tvTuner_.Get()))
        dialogAvailability_ |= Bit(dkTVTuner);

    if (audioCompressorFilter_ && OffersPropertyPages(audioCompressorFilter_.Get()))
        dialogAvailability_ |= Bit(dkAudioCompressor);

    if (audioCaptureFilter_) {
        IBaseFilter* audio = audioCaptureFilter_.Get();
        ComPtr<IAMStreamConfig> audioConfig;
        if (Find(builder, &PIN_CATEGORY_CAPTURE, &MEDIATYPE_Audio, audio, audioConfig) &&
            OffersPropertyPages(audioConfig.Get()))
            dialogAvailability_ |= Bit(dkAudioFormat);
        if (Find(builder, &PIN_CATEGORY_CAPTURE, &MEDIATYPE_Audio, audio, tvAudio_) &&
            OffersPropertyPages(tvAudio_.Get()))
            dialogAvailability_ |= Bit(dkTVAudio);
    }
}

} // namespace tb
