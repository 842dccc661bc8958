// Capture to a file: starting and stopping it, and the 100 ms capture timer.
#include "capture/CaptureControl.h"

#include "capture/CaptureMessages.h"
#include "capture/GraphSteps.h"
#include "capture/VideoCapture.h"
#include "media/ComHelpers.h"

#include <cmath>

namespace tb {

std::uint32_t ElapsedTimeOfDayMilliseconds(TDateTime now, TDateTime start) {
    const double difference = now - start;
    const double timeOfDay = std::fabs(difference - std::trunc(difference));
    const auto milliseconds =
        static_cast<std::uint64_t>(std::llround(timeOfDay * kMillisecondsPerDay));
    return static_cast<std::uint32_t>(milliseconds % kMillisecondsPerDay);
}

bool TimeLimitReached(std::uint32_t elapsedMilliseconds, std::int32_t limitSeconds) {
    return elapsedMilliseconds / 1000 >= static_cast<std::uint32_t>(limitSeconds);
}

bool TVideoCapture::StartCapture(const std::wstring& fileName) {
    if (capturing_ || !graph_.FilterGraph || !graph_.VideoCaptureFilter || !graph_.Builder)
        return false;

    // The capture branch is built into a stopped graph from the capture filters alone.
    TearDownGraph();
    captureFileName_ = fileName;
    if (preallocFile_ && preallocFileSizeMB_ != 0 && !fileName.empty()) {
        // Reserves the file's space ahead of the capture; where the platform cannot,
        // the file simply grows while capturing.
        graph_.Builder->AllocCapFile(fileName.c_str(),
                                     static_cast<DWORDLONG>(preallocFileSizeMB_) * 1024 * 1024);
    }
    captureRequested_ = true;

    bool started = BuildGraph();
    HRESULT result = S_OK;
    if (started) {
        // Frames are counted from here on: the counter's present values are the baselines.
        if (FindOnVideoPin(graph_.Builder.Get(), &PIN_CATEGORY_CAPTURE,
                           graph_.VideoCaptureFilter.Get(),
                           graph_.Built.DroppedFrameCounter) != S_OK)
            graph_.Built.DroppedFrameCounter.Reset();
        droppedFramesBaseline_ = 0;
        framesNotDroppedBaseline_ = 0;
        if (graph_.Built.DroppedFrameCounter) {
            long count = 0;
            if (graph_.Built.DroppedFrameCounter->GetNumDropped(&count) == S_OK)
                droppedFramesBaseline_ = static_cast<std::uint32_t>(count);
            if (graph_.Built.DroppedFrameCounter->GetNumNotDropped(&count) == S_OK)
                framesNotDroppedBaseline_ = static_cast<std::uint32_t>(count);
        }
        countsFrames_ = graph_.Built.DroppedFrameCounter != nullptr;
        droppedFrames_ = 0;
        framesNotDropped_ = 0;
        elapsedMilliseconds_ = 0;
        captureStartTime_ = clock_->Now();

        result = RunFilterGraph();
        started = SUCCEEDED(result);
        if (!started)
            ShowCaptureError(msg::kCannotRunCapture, result);
    }

    if (!started) {
        // Whatever the failed build or run left connected goes, and the preview comes
        // back on a graph without the capture branch.
        captureRequested_ = false;
        // A branch that failed half-way can leave the multiplexer and file writer
        // joined to each other but to nothing upstream, out of the teardown's reach.
        if (graph_.Built.Multiplexer) {
            RemoveDownstream(graph_.Built.Multiplexer.Get());
            graph_.FilterGraph->RemoveFilter(graph_.Built.Multiplexer.Get());
        }
        DismantleGraph();
        if (BuildGraph() && preview_)
            StartPreview();
        return false;
    }

    capturing_ = true;
    captureRunning_ = true;
    lastCaptureEnd_ = TCaptureEnd::Stopped;
    timer_->SetEnabled(true);
    Fire(OnStartCapture);
    return true;
}

bool TVideoCapture::RecordsVideoOnly() {
    return audioDevice_ && !BuilderWritesFiles(*platform_);
}

bool TVideoCapture::StopCapture() {
    if (!capturing_)
        return false;
    EndCapture(TCaptureEnd::Stopped);
    if (capturing_)
        return false; // the graph would not stop; the message was shown
    Fire(OnStopCapture);
    return true;
}

void TVideoCapture::EndCapture(TCaptureEnd reason) {
    if (capturing_)
        lastCaptureEnd_ = reason;
    StopGraph();
}

// Ends a capture: stops the graph, leaves capture mode and rebuilds the graph for preview.
void TVideoCapture::StopGraph() {
    if (!capturing_ || !graph_.FilterGraph)
        return;
    ComPtr<IMediaControl> control;
    HRESULT result = graph_.FilterGraph.As(&control);
    if (SUCCEEDED(result) && !control)
        result = E_NOINTERFACE;
    if (SUCCEEDED(result)) {
        // The graph stops its filters from the file backwards, and a frame still on its
        // way from a source reaches a multiplexer that is writing its headers: Wine's
        // then writes it across its own index. So the sources stop first, each waiting
        // for its streaming thread, and no frame is on its way when the graph stops.
        for (IBaseFilter* source :
             {graph_.VideoCaptureFilter.Get(), graph_.AudioCaptureFilter.Get()})
            if (source != nullptr)
                source->Stop();
        control->Pause();
        result = control->Stop();
        control.Reset();
    }
    if (FAILED(result)) {
        ShowCaptureError(msg::kCannotStopGraph, result);
        return;
    }

    timer_->SetEnabled(false);
    capturing_ = false;
    captureRunning_ = false;
    previewing_ = false;
    captureRequested_ = false;

    if (destroying_)
        return;
    TearDownGraph();
    if (BuildGraph() && preview_)
        StartPreview();
    Fire(OnCloseCapture);
}

// Every 100 ms: the elapsed time, the dropped-frame counts and the time limit.
void TVideoCapture::CaptureTimerTick() {
    elapsedMilliseconds_ = ElapsedTimeOfDayMilliseconds(clock_->Now(), captureStartTime_);

    if (graph_.Built.DroppedFrameCounter && capturing_) {
        long dropped = 0;
        long notDropped = 0;
        if (graph_.Built.DroppedFrameCounter->GetNumDropped(&dropped) == S_OK) {
            droppedFrames_ = static_cast<std::uint32_t>(dropped);
            if (graph_.Built.DroppedFrameCounter->GetNumNotDropped(&notDropped) == S_OK) {
                framesNotDropped_ = static_cast<std::uint32_t>(notDropped);
                // A source that counts from its run (as most do) restarted its counter
                // after the baselines were read: its counts are the capture's own.
                if (droppedFrames_ < droppedFramesBaseline_ ||
                    framesNotDropped_ < framesNotDroppedBaseline_) {
                    droppedFramesBaseline_ = 0;
                    framesNotDroppedBaseline_ = 0;
                }
                droppedFrames_ -= droppedFramesBaseline_;
                framesNotDropped_ -= framesNotDroppedBaseline_;
            }
        }
    }

    if (!captureRunning_)
        return;
    if (useTimeLimit_ && TimeLimitReached(elapsedMilliseconds_, timeLimitSec_)) {
        EndCapture(TCaptureEnd::TimeLimit);
        return;
    }
    Fire(OnCaptureProgress);
}

} // namespace tb
