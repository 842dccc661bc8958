// One set of scenarios, run against the media fakes and against the platform itself
// (Wine's filter graph, capture graph builder and renderer with the registered test
// pattern camera and test tone microphone), asserting that both give the same results.
// A fake that answers otherwise than the platform makes the unit suites pass where the
// program fails; these scenarios keep the two in step. Skipped on the platform side when
// the test devices are not registered.
//
// What the platform cannot do is not asked of either side: its capture graph builder
// has no file writer behind SetOutputFileName and there are no DV filters (both are
// covered with fakes alone, and RealPlatformGraphTest checks the file answer).
#include "unit/capture/GraphTestAccess.h"

#include "DeviceControl.h"
#include "capture/CaptureMessages.h"
#include "media/MediaPlatform.h"
#include "devices/DeviceCatalogue.h"
#include "fakes/FakeMediaWorld.h"
#include "fakes/RecordingPrompter.h"
#include "framework/Application.h"
#include "settings/SettingsStore.h"
#include "support/MessagePump.h"
#include "support/TestRegistry.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

using Microsoft::WRL::ComPtr;
using Access = tb::TVideoCaptureGraphAccess;

namespace {

constexpr wchar_t kCamera[] = L"Test Pattern Camera";
constexpr wchar_t kMicrophone[] = L"Test Tone Microphone";

// The media world a scenario runs in.
class TWorld {
public:
    virtual ~TWorld() = default;
    virtual std::shared_ptr<tb::IMediaPlatform> Platform() = 0;
    virtual tb::TDevices& Devices() = 0;
    // The camera goes or comes back, as a hot-plugged device.
    virtual void SetCameraUnplugged(bool unplugged) = 0;
    // The filters a graph holds, counted from outside.
    virtual int FilterCount(IGraphBuilder* graph) = 0;
    // Fresh frames reach the control by themselves (the fakes deliver none).
    virtual bool DeliversFrames() const = 0;
};

class TFakeWorld final : public TWorld {
public:
    TFakeWorld() {
        camera_ =
            world_.AddCamera(kCamera, tbfake::VideoInfoType(MEDIASUBTYPE_RGB24, 640, 480, 24));
        auto microphone = world_.AddDevice(CLSID_AudioInputDeviceCategory, kMicrophone);
        microphone->AddPin(L"Capture", PINDIR_OUTPUT);
        tbfake::TFakeMediaType audio;
        audio.majorType = MEDIATYPE_Audio;
        microphone->Attach(IID_IAMStreamConfig,
                           tbfake::MakeFake<tbfake::FakeStreamConfig>(
                               L"Mic.Config", world_.Platform()->SharedLog(), audio));
        devices_ = std::make_unique<tb::TDevices>(world_.Platform());
    }
    ~TFakeWorld() override { devices_.reset(); }
    std::shared_ptr<tb::IMediaPlatform> Platform() override { return world_.Platform(); }
    tb::TDevices& Devices() override { return *devices_; }
    void SetCameraUnplugged(bool unplugged) override { camera_->SetUnplugged(unplugged); }
    int FilterCount(IGraphBuilder* graph) override {
        auto* fake = dynamic_cast<tbfake::FakeFilterGraph*>(graph);
        return fake != nullptr ? static_cast<int>(fake->FilterNames().size()) : -1;
    }
    bool DeliversFrames() const override { return false; }

private:
    tbfake::TFakeMediaWorld world_;
    ComPtr<tbfake::FakeFilter> camera_;
    std::unique_ptr<tb::TDevices> devices_;
};

class TPlatformWorld final : public TWorld {
public:
    TPlatformWorld() : devices_(tb::DefaultMediaPlatform()) {}
    ~TPlatformWorld() override { SetCameraUnplugged(false); }
    bool Ready() {
        return devices_.VideoDeviceByName(kCamera) && devices_.AudioDeviceByName(kMicrophone) &&
               control_.Valid();
    }
    std::shared_ptr<tb::IMediaPlatform> Platform() override { return tb::DefaultMediaPlatform(); }
    tb::TDevices& Devices() override { return devices_; }
    void SetCameraUnplugged(bool unplugged) override {
        // Both registrations: which one got the plain name depends on the enumeration.
        control_.SetUnplugged(1, unplugged);
        control_.SetUnplugged(2, unplugged);
    }
    int FilterCount(IGraphBuilder* graph) override {
        ComPtr<IEnumFilters> filters;
        if (graph == nullptr || FAILED(graph->EnumFilters(&filters)))
            return -1;
        int count = 0;
        ComPtr<IBaseFilter> filter;
        while (filters->Next(1, filter.ReleaseAndGetAddressOf(), nullptr) == S_OK)
            ++count;
        return count;
    }
    bool DeliversFrames() const override { return true; }

private:
    tb::TDevices devices_;
    testcam::DeviceControl control_;
};

class PlatformContractTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!platform_.Ready())
            GTEST_SKIP() << "the test camera and microphone are not registered in this prefix";
    }

    // Runs a scenario in both worlds; the fake world's answer must be the platform's.
    template <typename Scenario>
    void ExpectSameAnswers(Scenario scenario) {
        std::wstring fakeAnswer;
        {
            TFakeWorld fake;
            fakeAnswer = scenario(static_cast<TWorld&>(fake));
        }
        const std::wstring platformAnswer = scenario(static_cast<TWorld&>(platform_));
        EXPECT_EQ(fakeAnswer, platformAnswer);
    }

    std::vector<std::wstring> TakeMessages() {
        std::vector<std::wstring> texts;
        for (const auto& message : prompter_->messages)
            texts.push_back(message.text);
        prompter_->messages.clear();
        return texts;
    }

    tbtest::TTestRegistry registry_;
    tb::TScopedSettings scoped_{registry_.Store()};
    std::shared_ptr<tbtest::TRecordingPrompter> prompter_ =
        std::make_shared<tbtest::TRecordingPrompter>();
    tb::TApplication application_{prompter_};
    TPlatformWorld platform_;
};

std::wostream& operator<<(std::wostream& out, const std::vector<std::wstring>& texts) {
    out << L"[";
    for (const auto& text : texts)
        out << L"\"" << text << L"\"";
    return out << L"]";
}

// Filters go into a graph with no name, with a name, and with the empty name, twice each.
TEST_F(PlatformContractTest, FilterNamesAreMadeUniqueAsThePlatformDoes) {
    ExpectSameAnswers([](TWorld& world) {
        ComPtr<IGraphBuilder> graph;
        EXPECT_EQ(world.Platform()->Create(CLSID_FilterGraph, graph), S_OK);
        std::wostringstream answer;
        std::vector<ComPtr<IBaseFilter>> filters(6);
        const wchar_t* names[] = {nullptr, nullptr, L"MySmartTee", L"MySmartTee", L"", L""};
        for (std::size_t i = 0; i < filters.size(); ++i) {
            EXPECT_EQ(world.Platform()->Create(CLSID_SmartTee, filters[i]), S_OK);
            answer << std::hex << graph->AddFilter(filters[i].Get(), names[i]) << L" ";
        }
        ComPtr<IBaseFilter> found;
        answer << L"found="
               << (graph->FindFilterByName(L"MySmartTee", &found) == S_OK &&
                   found.Get() == filters[2].Get());
        for (auto& filter : filters)
            graph->RemoveFilter(filter.Get());
        return answer.str();
    });
}

// The camera with the microphone: the picture runs without a message, a teardown leaves
// the two capture filters alone in the graph, and preview stops and starts again.
TEST_F(PlatformContractTest, CameraAndMicrophoneBuildRunAndTearDown) {
    ExpectSameAnswers([this](TWorld& world) {
        std::wostringstream answer;
        {
            tb::TVideoCapture control(nullptr, L"VideoCapture1", world.Platform(),
                                      tb::DefaultClock(), &world.Devices());
            control.SetReinitOnSelect(false);
            control.SelectVideoDeviceByName(kCamera);
            control.SelectAudioDeviceByName(kMicrophone);
            answer << L"init=" << control.InitGraph();
            answer << L" previewing=" << Access::Previewing(control);
            answer << L" audio=" << Access::HoldsAudioCaptureFilter(control);
            answer << L" messages=" << TakeMessages();
            control.SetPreview(false);
            answer << L" stopped=" << !Access::Previewing(control);
            control.SetPreview(true);
            answer << L" again=" << Access::Previewing(control);
            Access::TearDownGraph(control);
            answer << L" afterTeardown=" << world.FilterCount(Access::FilterGraph(control));
            answer << L" messages=" << TakeMessages();
        }
        answer << L" atEnd=" << TakeMessages();
        return answer.str();
    });
}

// A camera unplugged during preview: the loss is announced once, the one attempt to run
// again is refused and reported once, and the control settles; plugged in again, the
// picture comes back by itself.
TEST_F(PlatformContractTest, LostCameraSettlesAndComesBack) {
    ExpectSameAnswers([this](TWorld& world) {
        std::wostringstream answer;
        tb::TVideoCapture control(nullptr, L"VideoCapture1", world.Platform(), tb::DefaultClock(),
                                  &world.Devices());
        int lost = 0;
        int starts = 0;
        control.OnDeviceLost = [&](tb::TVideoCapture&) { ++lost; };
        control.OnStartPreview = [&](tb::TVideoCapture&) { ++starts; };
        control.SetReinitOnSelect(false);
        control.SelectVideoDeviceByName(kCamera);
        answer << L"init=" << control.InitGraph() << L" starts=" << starts;

        world.SetCameraUnplugged(true);
        tbtest::PumpUntil([&] { return lost > 0; }, 3000);
        tbtest::PumpFor(500); // anything more would come meanwhile
        answer << L" lost=" << lost << L" previewing=" << Access::Previewing(control) << L" starts="
               << starts << L" messages=" << TakeMessages();

        world.SetCameraUnplugged(false);
        tbtest::PumpUntil([&] { return starts > 1; }, 3000);
        answer << L" back=" << Access::Previewing(control) << L" starts=" << starts << L" lost="
               << lost << L" messages=" << TakeMessages();
        if (world.DeliversFrames()) {
            const std::uint32_t before = Access::FramesSeen(control);
            EXPECT_TRUE(
                tbtest::PumpUntil([&] { return Access::FramesSeen(control) > before + 2; }, 3000))
                << "no frames after the camera came back";
        }
        return answer.str();
    });
}

} // namespace
