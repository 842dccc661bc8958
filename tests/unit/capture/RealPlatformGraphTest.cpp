// The capture control against Wine's own media platform: without a device nothing is
// built and nothing is shown; and where the platform's capture graph builder cannot set
// up an output file (Wine's) and no multiplexer of the program's own path can be made
// either (a platform of fakes here), the user is told of the capture file, after which
// the preview carries on.
#include "unit/capture/GraphFixture.h"

#include "media/MediaPlatform.h"

#include <dshow.h>

using namespace tbtest;
using namespace tbfake;
using Strings = std::vector<std::wstring>;

namespace {

class RealPlatformGraphTest : public GraphFixture {};

TEST_F(RealPlatformGraphTest, WithoutADeviceNothingIsBuiltOrShown) {
    tb::TVideoCapture control(nullptr, L"VideoCapture1", tb::DefaultMediaPlatform(), clock_);
    int initErrors = 0;
    control.OnInitError = [&](tb::TVideoCapture&) { ++initErrors; };
    EXPECT_FALSE(control.InitGraph());
    EXPECT_FALSE(control.RebuildGraph());
    EXPECT_FALSE(control.StartCapture(L"C:\\capture.avi"));
    EXPECT_FALSE(control.StopCapture());
    Access::StartPreview(control);
    Access::HandleGraphEvents(control);
    Access::CaptureTimerTick(control);
    Access::TearDownGraph(control);
    EXPECT_FALSE(Access::HoldsFilterGraph(control));
    EXPECT_FALSE(Access::Previewing(control));
    EXPECT_EQ(initErrors, 0);
    EXPECT_TRUE(prompter_->messages.empty());
}

// A capture graph builder of fakes whose SetOutputFileName is answered by the
// platform's own builder, on a graph of the platform's own.
class TPlatformOutputFileBuilder final : public ICaptureGraphBuilder2 {
public:
    explicit TPlatformOutputFileBuilder(ComPtr<FakeCaptureGraphBuilder> fake)
        : fake_(std::move(fake)) {
        tb::DefaultMediaPlatform()->Create(CLSID_CaptureGraphBuilder2, real_);
        tb::DefaultMediaPlatform()->Create(CLSID_FilterGraph, realGraph_);
        if (real_ && realGraph_)
            real_->SetFiltergraph(realGraph_.Get());
    }
    static ComPtr<ICaptureGraphBuilder2> Make(ComPtr<FakeCaptureGraphBuilder> fake) {
        ComPtr<ICaptureGraphBuilder2> builder;
        *builder.GetAddressOf() = new TPlatformOutputFileBuilder(std::move(fake));
        return builder;
    }
    HRESULT realResult = S_OK;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override {
        if (id == IID_IUnknown || id == IID_ICaptureGraphBuilder2) {
            *object = static_cast<ICaptureGraphBuilder2*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0)
            delete this;
        return left;
    }
    HRESULT STDMETHODCALLTYPE SetFiltergraph(IGraphBuilder* graph) override {
        return fake_->SetFiltergraph(graph);
    }
    HRESULT STDMETHODCALLTYPE GetFiltergraph(IGraphBuilder** graph) override {
        return fake_->GetFiltergraph(graph);
    }
    HRESULT STDMETHODCALLTYPE SetOutputFileName(const GUID* type, LPCOLESTR file,
                                                IBaseFilter** multiplexer,
                                                IFileSinkFilter** sink) override {
        if (!real_)
            return E_UNEXPECTED;
        return real_->SetOutputFileName(type, file, multiplexer, sink);
    }
    HRESULT STDMETHODCALLTYPE FindInterface(const GUID* category, const GUID* type,
                                            IBaseFilter* filter, REFIID id,
                                            void** object) override {
        return fake_->FindInterface(category, type, filter, id, object);
    }
    HRESULT STDMETHODCALLTYPE RenderStream(const GUID* category, const GUID* type, IUnknown* source,
                                           IBaseFilter* intermediate, IBaseFilter* sink) override {
        return fake_->RenderStream(category, type, source, intermediate, sink);
    }
    HRESULT STDMETHODCALLTYPE ControlStream(const GUID* a, const GUID* b, IBaseFilter* c,
                                            REFERENCE_TIME* d, REFERENCE_TIME* e, WORD f,
                                            WORD g) override {
        return fake_->ControlStream(a, b, c, d, e, f, g);
    }
    HRESULT STDMETHODCALLTYPE AllocCapFile(LPCOLESTR file, DWORDLONG size) override {
        return real_ ? real_->AllocCapFile(file, size) : E_UNEXPECTED;
    }
    HRESULT STDMETHODCALLTYPE CopyCaptureFile(LPOLESTR a, LPOLESTR b, int c,
                                              IAMCopyCaptureFileProgress* d) override {
        return fake_->CopyCaptureFile(a, b, c, d);
    }
    HRESULT STDMETHODCALLTYPE FindPin(IUnknown* a, PIN_DIRECTION b, const GUID* c, const GUID* d,
                                      BOOL e, int f, IPin** g) override {
        return fake_->FindPin(a, b, c, d, e, f, g);
    }

private:
    ~TPlatformOutputFileBuilder() = default;
    ULONG references_ = 1;
    ComPtr<FakeCaptureGraphBuilder> fake_;
    ComPtr<ICaptureGraphBuilder2> real_;
    ComPtr<IGraphBuilder> realGraph_;
};

TEST_F(RealPlatformGraphTest, PlatformBuilderWithoutOutputFileEndsTheCaptureWithItsMessage) {
    // What the platform's builder says to an AVI output file.
    ComPtr<ICaptureGraphBuilder2> builder;
    ComPtr<IGraphBuilder> graph;
    ASSERT_EQ(tb::DefaultMediaPlatform()->Create(CLSID_CaptureGraphBuilder2, builder), S_OK);
    ASSERT_EQ(tb::DefaultMediaPlatform()->Create(CLSID_FilterGraph, graph), S_OK);
    ASSERT_EQ(builder->SetFiltergraph(graph.Get()), S_OK);
    wchar_t directory[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, directory);
    const std::wstring file = std::wstring(directory) + L"tb-graph-capture.avi";
    ComPtr<IBaseFilter> multiplexer;
    ComPtr<IFileSinkFilter> sink;
    const HRESULT platformAnswer = builder->SetOutputFileName(
        &MEDIASUBTYPE_Avi, file.c_str(), multiplexer.GetAddressOf(), sink.GetAddressOf());
    multiplexer.Reset();
    sink.Reset();
    builder.Reset();
    graph.Reset();

    AddCamera();
    World().Platform()->RegisterFactory(CLSID_CaptureGraphBuilder2, [] {
        ComPtr<IUnknown> unknown;
        TPlatformOutputFileBuilder::Make(MakeFake<FakeCaptureGraphBuilder>(MakeLog())).As(&unknown);
        return unknown;
    });
    auto& control = MakeControl();
    RecordEvents();
    ASSERT_TRUE(Access::BuildBaseGraph(control));
    Access::StartPreview(control);
    ASSERT_TRUE(Access::Previewing(control));

    const bool started = control.StartCapture(file);
    if (platformAnswer == S_OK) {
        // A platform that can write the file captures (not Wine 8).
        EXPECT_TRUE(started);
        EXPECT_TRUE(control.StopCapture());
    } else {
        EXPECT_FALSE(started);
        EXPECT_EQ(Messages(), Strings{tb::msg::kCannotSetCaptureFile});
        EXPECT_FALSE(control.Capturing());
        EXPECT_TRUE(Access::Previewing(control));
    }
    control_.reset();
    ::DeleteFileW(file.c_str());
}

} // namespace
