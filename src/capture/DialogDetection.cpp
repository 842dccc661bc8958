// Which device dialogs and property pages the graph built last offers: the
// availability set, rebuilt at the end of every graph build.
#include "capture/DeviceDialogs.h"
#include "capture/PopupMenuLayout.h"
#include "media/ComHelpers.h"

#include <vector>

namespace tb {

namespace {

using Microsoft::WRL::ComPtr;

// FindOnPath and FindOnVideoPin as a question: was the interface found?
template <typename T>
bool Find(ICaptureGraphBuilder2* builder, const GUID* category, const GUID* type,
          IBaseFilter* filter, ComPtr<T>& object) {
    return SUCCEEDED(FindOnPath(builder, category, type, filter, object)) && object;
}

template <typename T>
bool FindOnVideoCapturePin(ICaptureGraphBuilder2* builder, const GUID* category,
                           IBaseFilter* filter, ComPtr<T>& object) {
    return SUCCEEDED(FindOnVideoPin(builder, category, filter, object)) && object;
}

constexpr std::uint16_t Bit(int kind) {
    return static_cast<std::uint16_t>(1u << kind);
}

} // namespace

void TDeviceDialogs::Detect() {
    graph_.DialogAvailability = 0;
    graph_.Crossbar.Reset();
    graph_.TvTuner.Reset();
    graph_.TvAudio.Reset();
    ICaptureGraphBuilder2* builder = graph_.Builder.Get();

    if (graph_.VfwCaptureDialogs) {
        if (graph_.VfwCaptureDialogs->HasDialog(VfwCaptureDialog_Format) == S_OK)
            graph_.DialogAvailability |= Bit(dkVideoFormat);
        if (graph_.VfwCaptureDialogs->HasDialog(VfwCaptureDialog_Source) == S_OK)
            graph_.DialogAvailability |= Bit(dkVideoSource);
        if (graph_.VfwCaptureDialogs->HasDialog(VfwCaptureDialog_Display) == S_OK)
            graph_.DialogAvailability |= Bit(dkVideoDisplay);
    }

    if (graph_.AudioCaptureFilter && OffersPropertyPages(graph_.AudioCaptureFilter.Get()))
        graph_.DialogAvailability |= Bit(dkAudioDecoder);

    if (graph_.VideoCompressorFilter && OffersPropertyPages(graph_.VideoCompressorFilter.Get())) {
        graph_.DialogAvailability |= Bit(dkVideoCompressor);
    } else if (graph_.VfwCompressDialogs && graph_.VfwCompressDialogs->ShowDialog(
                                                VfwCompressDialog_QueryConfig, owner_) == S_OK) {
        graph_.DialogAvailability |= Bit(dkVideoCompressor);
        // Asking for the driver's state once is part of the query (some drivers need it);
        // the state itself is not used.
        int size = 0;
        if (SUCCEEDED(graph_.VfwCompressDialogs->GetState(nullptr, &size)) && size > 0) {
            std::vector<BYTE> state(static_cast<size_t>(size));
            graph_.VfwCompressDialogs->GetState(state.data(), &size);
        }
    }

    // Video-for-Windows devices have their driver dialogs and nothing of the following.
    if (!graph_.VideoCaptureFilter || (graph_.DialogAvailability & Bit(dkVideoFormat)) != 0)
        return;
    IBaseFilter* video = graph_.VideoCaptureFilter.Get();

    if (OffersPropertyPages(video))
        graph_.DialogAvailability |= Bit(dkVideoDecoder);

    ComPtr<IAMStreamConfig> config;
    if (FindOnVideoCapturePin(builder, &PIN_CATEGORY_CAPTURE, video, config) &&
        OffersPropertyPages(config.Get()))
        graph_.DialogAvailability |= Bit(dkVideoStreamFormat);
    if (FindOnVideoCapturePin(builder, &PIN_CATEGORY_PREVIEW, video, config) &&
        OffersPropertyPages(config.Get()))
        graph_.DialogAvailability |= Bit(dkVideoPreview);

    if (FindOnVideoCapturePin(builder, &PIN_CATEGORY_CAPTURE, video, graph_.Crossbar)) {
        if (OffersPropertyPages(graph_.Crossbar.Get()))
            graph_.DialogAvailability |= Bit(dkCrossbar);
        // A second crossbar further upstream (audio routing, for instance) shares the item.
        ComPtr<IBaseFilter> crossbarFilter;
        ComPtr<IAMCrossbar> upstream;
        if (SUCCEEDED(graph_.Crossbar.As(&crossbarFilter)) && crossbarFilter &&
            Find(builder, &LOOK_UPSTREAM_ONLY, nullptr, crossbarFilter.Get(), upstream) &&
            OffersPropertyPages(upstream.Get()))
            graph_.DialogAvailability |= Bit(dkCrossbar);
    }

    if (FindOnVideoCapturePin(builder, &PIN_CATEGORY_CAPTURE, video, graph_.TvTuner) &&
        OffersPropertyPages(graph_.TvTuner.Get()))
        graph_.DialogAvailability |= Bit(dkTVTuner);

    if (graph_.AudioCompressorFilter && OffersPropertyPages(graph_.AudioCompressorFilter.Get()))
        graph_.DialogAvailability |= Bit(dkAudioCompressor);

    if (graph_.AudioCaptureFilter) {
        IBaseFilter* audio = graph_.AudioCaptureFilter.Get();
        ComPtr<IAMStreamConfig> audioConfig;
        if (Find(builder, &PIN_CATEGORY_CAPTURE, &MEDIATYPE_Audio, audio, audioConfig) &&
            OffersPropertyPages(audioConfig.Get()))
            graph_.DialogAvailability |= Bit(dkAudioFormat);
        if (Find(builder, &PIN_CATEGORY_CAPTURE, &MEDIATYPE_Audio, audio, graph_.TvAudio) &&
            OffersPropertyPages(graph_.TvAudio.Get()))
            graph_.DialogAvailability |= Bit(dkTVAudio);
    }
}

} // namespace tb
