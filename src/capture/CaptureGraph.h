// The capture graph as one value: every COM reference and flag that lives and dies with
// one graph. The control owns one TCaptureGraph; releasing the graph is resetting it
// (`graph = {}`), and taking the built graph apart is resetting its built part
// (`graph.Built = {}`), so no reference can be left behind by a forgotten line.
#pragma once

#include "capture/SampleGrabberCB.h"
#include "media/MediaIds.h"

#include <windows.h>
#include <dshow.h>
#include <wrl/client.h>

#include <cstdint>
#include <utility>

namespace tb {

// The graph's hold on its grabber callback. When the hold goes the callback is detached
// (it takes and announces no frame from then on), though the grabber may keep the object
// a little longer while the platform takes the graph apart.
class TGrabberCallbackHold {
public:
    TGrabberCallbackHold() = default;
    ~TGrabberCallbackHold() { Reset(); }
    TGrabberCallbackHold(TGrabberCallbackHold&& other) noexcept
        : callback_(std::move(other.callback_)) {}
    TGrabberCallbackHold& operator=(TGrabberCallbackHold&& other) noexcept {
        if (this != &other) {
            Reset();
            callback_ = std::move(other.callback_);
        }
        return *this;
    }
    TGrabberCallbackHold(const TGrabberCallbackHold&) = delete;
    TGrabberCallbackHold& operator=(const TGrabberCallbackHold&) = delete;

    TSampleGrabberCB* Get() const { return callback_.Get(); }
    TSampleGrabberCB* operator->() const { return callback_.Get(); }
    explicit operator bool() const { return callback_ != nullptr; }
    // The callback, made when the graph has none yet.
    TSampleGrabberCB& Ensure() {
        if (!callback_)
            callback_ = TSampleGrabberCB::Make();
        return *callback_.Get();
    }

private:
    void Reset() {
        if (callback_)
            callback_->Detach();
        callback_.Reset();
    }

    Microsoft::WRL::ComPtr<TSampleGrabberCB> callback_;
};

// What one build of the graph added for the current settings: gone at every teardown.
struct TBuiltGraph {
    template <typename T>
    using ComPtr = Microsoft::WRL::ComPtr<T>;

    // The build completed: the graph can run.
    bool Complete = false;
    ComPtr<IVideoWindow> VideoWindow;
    ComPtr<IMediaEventEx> MediaEvent;
    ComPtr<ISampleGrabber> SampleGrabber;
    TGrabberCallbackHold GrabberCallback;
    // The capture branch (capture to a file) and its counter of dropped frames.
    ComPtr<IBaseFilter> NullRenderer;
    ComPtr<IBaseFilter> Multiplexer;
    ComPtr<IFileSinkFilter> FileWriter;
    ComPtr<IConfigAviMux> MuxConfig;
    // The file is written by the program's own sink (the builder could not set one up).
    bool OwnFileSink = false;
    ComPtr<IAMDroppedFrames> DroppedFrameCounter;
};

// One capture graph: the base graph (the graph objects, the capture, DV and compressor
// filters, their stream configurations and driver dialogs, kept from one build to the
// next), what the last build found to offer as dialogs, and the built part.
struct TCaptureGraph {
    template <typename T>
    using ComPtr = Microsoft::WRL::ComPtr<T>;

    ComPtr<IGraphBuilder> FilterGraph;
    ComPtr<ICaptureGraphBuilder2> Builder;
    ComPtr<IBaseFilter> VideoCaptureFilter;
    ComPtr<IBaseFilter> AudioCaptureFilter;
    ComPtr<IBaseFilter> DvSplitter;
    ComPtr<IBaseFilter> DvDecoder;
    ComPtr<IBaseFilter> VideoCompressorFilter;
    ComPtr<IBaseFilter> AudioCompressorFilter;
    ComPtr<IAMStreamConfig> AudioStreamConfig;
    ComPtr<IAMStreamConfig> VideoStreamConfig;
    ComPtr<IAMVfwCaptureDialogs> VfwCaptureDialogs;
    ComPtr<IAMVfwCompressDialogs> VfwCompressDialogs;

    // The capture card's parts that the dialogs show (found at the end of each build). A
    // crossbar held on holds the card open for every other program: they go with the
    // graph.
    ComPtr<IAMCrossbar> Crossbar;
    ComPtr<IAMTVTuner> TvTuner;
    ComPtr<IAMTVAudio> TvAudio;
    // The dialogs the graph offers, one bit per dialog kind (PopupMenuLayout.h).
    std::uint16_t DialogAvailability = 0;

    TBuiltGraph Built;
};

} // namespace tb
