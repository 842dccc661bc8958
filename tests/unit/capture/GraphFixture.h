// A capture control over a world of media fakes, with a recording prompter and a clock
// the test sets. Every test ends by releasing everything and checking that no fake is
// left alive.
#pragma once

#include "capture/CaptureMessages.h"
#include "capture/VideoCapture.h"
#include "devices/DeviceCatalogue.h"
#include "fakes/FakeClock.h"
#include "fakes/FakeMediaWorld.h"
#include "fakes/RecordingPrompter.h"
#include "framework/Application.h"
#include "unit/capture/GraphTestAccess.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tbtest {

using Access = tb::TVideoCaptureGraphAccess;
using Microsoft::WRL::ComPtr;

class GraphFixture : public ::testing::Test {
protected:
    GraphFixture();
    void TearDown() override;

    // Drops the control and every fake and starts over with a new world (for
    // table-driven tests that need fresh fakes per case).
    void FreshWorld();
    // A camera "Cam" delivering this format (RGB24 640x480 by default).
    void AddCamera(const tbfake::TFakeMediaType& format);
    void AddCamera();
    // A DV camcorder "DVCam": interleaved stream, DV decoder and splitter registered.
    void AddDVCamera();
    // An audio device "Mic" with an audio stream configuration.
    void AddMicrophone();
    // A video compressor "Codec" and an audio compressor "ACodec".
    void AddCompressors();
    // Controls made from now on look devices up in a catalogue of the world's devices
    // (without, they have none).
    void UseWorldCatalogue() { catalogue_.emplace(World().Platform()); }
    // The control, with the chosen devices stored (no graph yet).
    tb::TVideoCapture& MakeControl();
    // MakeControl, the base graph and the built graph; the log is cleared afterwards.
    tb::TVideoCapture& BuiltControl();

    tbfake::TFakeMediaWorld& World() { return *world_; }
    // The graph and builder the control uses: the preset ones when a test made them
    // (so that it can script them before the control creates them), else the world's.
    tbfake::FakeFilterGraph& Graph() {
        return presetGraph_ ? *presetGraph_.Get() : *world_->Graph().Get();
    }
    tbfake::FakeCaptureGraphBuilder& Builder() {
        return presetBuilder_ ? *presetBuilder_.Get() : *world_->Builder().Get();
    }
    tbfake::FakeFilterGraph& PresetGraph();
    tbfake::FakeCaptureGraphBuilder& PresetBuilder();
    // A dropped-frame counter on the camera's capture pin.
    tbfake::FakeDroppedFrames& AddDroppedFrameCounter();
    std::vector<std::wstring> Calls() const { return world_->Log().Calls(); }
    std::vector<std::wstring> CallsOf(std::wstring_view prefix) const {
        return world_->Log().CallsStartingWith(prefix);
    }
    void ClearLog() { world_->Log().Clear(); }
    // The texts of the message boxes shown so far.
    std::vector<std::wstring> Messages() const;
    // Counts the control's events by name ("StartPreview", "StopPreview"...).
    void RecordEvents();
    std::vector<std::wstring> events;

    tbfake::TLedgerScope ledger_;
    std::shared_ptr<TRecordingPrompter> prompter_ = std::make_shared<TRecordingPrompter>();
    tb::TApplication application_{prompter_};
    std::unique_ptr<tbfake::TFakeMediaWorld> world_ = std::make_unique<tbfake::TFakeMediaWorld>();
    std::shared_ptr<TFakeClock> clock_ = std::make_shared<TFakeClock>();
    ComPtr<tbfake::FakeFilter> camera_;
    ComPtr<tbfake::FakeMoniker> cameraMoniker_;
    ComPtr<tbfake::FakeFilter> microphone_;
    ComPtr<tbfake::FakeMoniker> microphoneMoniker_;
    ComPtr<tbfake::FakeMoniker> codecMoniker_;
    ComPtr<tbfake::FakeMoniker> audioCodecMoniker_;
    ComPtr<tbfake::FakeFilter> dvDecoder_;
    ComPtr<tbfake::FakeFilter> dvSplitter_;
    ComPtr<tbfake::FakeFilterGraph> presetGraph_;
    ComPtr<tbfake::FakeCaptureGraphBuilder> presetBuilder_;
    ComPtr<tbfake::FakeDroppedFrames> droppedFrames_;
    std::optional<tb::TDevices> catalogue_;
    std::unique_ptr<tb::TVideoCapture> control_;
};

} // namespace tbtest
