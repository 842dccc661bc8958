#include "fakes/FakeCaptureGraphBuilder.h"

#include "fakes/GuidNames.h"

#include <memory>

namespace tbfake {

namespace {

std::wstring GuidArgument(const GUID* id) {
    return id != nullptr ? GuidName(*id) : L"null";
}

FakeFilter* FakeFilterOf(IUnknown* object) {
    return dynamic_cast<FakeFilter*>(FakeOf(object));
}

} // namespace

FakeCaptureGraphBuilder::FakeCaptureGraphBuilder(std::shared_ptr<TCallLog> log)
    : TFakeObject(L"Builder", std::move(log)) {}

void* FakeCaptureGraphBuilder::Interface(REFIID interfaceId) {
    if (interfaceId == IID_IUnknown || interfaceId == IID_ICaptureGraphBuilder2)
        return static_cast<ICaptureGraphBuilder2*>(this);
    return nullptr;
}

HRESULT FakeCaptureGraphBuilder::SetFiltergraph(IGraphBuilder* graph) {
    const HRESULT result = Call(L"SetFiltergraph", FakeName(graph));
    if (SUCCEEDED(result))
        graph_ = graph;
    return result;
}

HRESULT FakeCaptureGraphBuilder::GetFiltergraph(IGraphBuilder** graph) {
    if (graph == nullptr)
        return E_POINTER;
    *graph = nullptr;
    const HRESULT result = Call(L"GetFiltergraph", {}, graph_ ? S_OK : E_UNEXPECTED);
    if (FAILED(result) || !graph_)
        return FAILED(result) ? result : E_UNEXPECTED;
    return graph_.CopyTo(graph);
}

HRESULT FakeCaptureGraphBuilder::SetOutputFileName(const GUID* type, LPCOLESTR file,
                                                   IBaseFilter** multiplexer,
                                                   IFileSinkFilter** sink) {
    if (multiplexer != nullptr)
        *multiplexer = nullptr;
    if (sink != nullptr)
        *sink = nullptr;
    const HRESULT result =
        Call(L"SetOutputFileName", GuidArgument(type) + L", " + (file != nullptr ? file : L"null"));
    if (FAILED(result))
        return result;
    if (multiplexer == nullptr || file == nullptr)
        return E_POINTER;
    mux_ = MakeFake<FakeFilter>(L"AVI Mux", SharedLog());
    muxConfig_ = MakeFake<FakeAviMuxConfig>(L"AVI Mux.Config", SharedLog());
    mux_->Attach(IID_IConfigAviMux, muxConfig_);
    writer_ = MakeFake<FakeFileWriter>(L"File Writer", SharedLog());
    writer_->SetFileName(file, nullptr);
    if (graph_) {
        graph_->AddFilter(mux_.Get(), L"AVI Mux");
        graph_->AddFilter(writer_.Get(), L"File Writer");
    }
    Link(static_cast<IBaseFilter*>(mux_.Get()), static_cast<IBaseFilter*>(writer_.Get()));
    *multiplexer = mux_.Get();
    (*multiplexer)->AddRef();
    if (sink != nullptr) {
        *sink = writer_.Get();
        (*sink)->AddRef();
    }
    return result;
}

HRESULT FakeCaptureGraphBuilder::FindInterface(const GUID* category, const GUID* type,
                                               IBaseFilter* filter, REFIID interfaceId,
                                               void** object) {
    if (object == nullptr)
        return E_POINTER;
    *object = nullptr;
    const HRESULT result =
        Call(L"FindInterface", GuidArgument(category) + L", " + GuidArgument(type) + L", " +
                                   FakeName(filter) + L", " + GuidName(interfaceId));
    if (FAILED(result))
        return result;
    if (filter == nullptr)
        return E_POINTER;
    const HRESULT query = filter->QueryInterface(interfaceId, object);
    return FAILED(query) ? E_NOINTERFACE : result;
}

void FakeCaptureGraphBuilder::Link(IUnknown* from, IUnknown* to) {
    FakeFilter* output = FakeFilterOf(from);
    FakeFilter* input = FakeFilterOf(to);
    if (output == nullptr || input == nullptr)
        return;
    auto out = output->FreePin(PINDIR_OUTPUT);
    if (!out)
        out = output->AddPin(L"Out" + std::to_wstring(output->PinCount() + 1), PINDIR_OUTPUT);
    auto in = input->FreePin(PINDIR_INPUT);
    if (!in)
        in = input->AddPin(L"In" + std::to_wstring(input->PinCount() + 1), PINDIR_INPUT);
    ConnectPins(*out.Get(), *in.Get());
}

HRESULT FakeCaptureGraphBuilder::RenderStream(const GUID* category, const GUID* type,
                                              IUnknown* source, IBaseFilter* intermediate,
                                              IBaseFilter* sink) {
    const HRESULT result =
        Call(L"RenderStream", GuidArgument(category) + L", " + GuidArgument(type) + L", " +
                                  FakeName(source) + L", " + FakeName(intermediate) + L", " +
                                  FakeName(sink));
    if (FAILED(result))
        return result;
    if (source == nullptr)
        return E_POINTER;
    ComPtr<IBaseFilter> end = sink;
    if (!end) {
        // The platform completes the path to its default renderer.
        const bool audio = type != nullptr && *type == MEDIATYPE_Audio;
        auto renderer = MakeFake<FakeFilter>(
            (audio ? L"Audio Renderer" : L"Video Renderer") +
                (renderers_ == 0 ? std::wstring() : L" " + std::to_wstring(renderers_)),
            SharedLog());
        ++renderers_;
        renderer->AddPin(L"In", PINDIR_INPUT);
        if (graph_)
            graph_->AddFilter(renderer.Get(), renderer->Name().c_str());
        end = renderer.Get();
    }
    if (intermediate != nullptr) {
        Link(source, intermediate);
        Link(intermediate, end.Get());
    } else {
        Link(source, end.Get());
    }
    return result;
}

HRESULT FakeCaptureGraphBuilder::ControlStream(const GUID*, const GUID*, IBaseFilter*,
                                               REFERENCE_TIME*, REFERENCE_TIME*, WORD, WORD) {
    return NotImplemented(L"ControlStream");
}
HRESULT FakeCaptureGraphBuilder::AllocCapFile(LPCOLESTR, DWORDLONG) {
    return NotImplemented(L"AllocCapFile");
}
HRESULT FakeCaptureGraphBuilder::CopyCaptureFile(LPOLESTR, LPOLESTR, int,
                                                 IAMCopyCaptureFileProgress*) {
    return NotImplemented(L"CopyCaptureFile");
}
HRESULT FakeCaptureGraphBuilder::FindPin(IUnknown*, PIN_DIRECTION, const GUID*, const GUID*, BOOL,
                                         int, IPin**) {
    return NotImplemented(L"FindPin");
}

} // namespace tbfake
