// A fake capture graph builder, logged as "Builder". RenderStream connects fake
// filters pin to pin (adding pins where a filter has no free one, and a fake renderer
// when no sink is given), so a test can take the graph apart again; FindInterface asks
// the filter itself; SetOutputFileName adds a multiplexer and a file writer.
#pragma once

#include "fakes/FakeFilterGraph.h"
#include "fakes/FakeFilterParts.h"

#include <memory>

namespace tbfake {

class FakeCaptureGraphBuilder final : public TFakeObject, public ICaptureGraphBuilder2 {
public:
    explicit FakeCaptureGraphBuilder(std::shared_ptr<TCallLog> log);
    TBFAKE_IUNKNOWN
    IGraphBuilder* Graph() const { return graph_.Get(); }
    // The multiplexer and file writer of the last SetOutputFileName.
    ComPtr<FakeFilter> Multiplexer() const { return mux_; }
    ComPtr<FakeFileWriter> FileWriter() const { return writer_; }
    ComPtr<FakeAviMuxConfig> MultiplexerConfig() const { return muxConfig_; }

    HRESULT STDMETHODCALLTYPE SetFiltergraph(IGraphBuilder* graph) override;
    HRESULT STDMETHODCALLTYPE GetFiltergraph(IGraphBuilder** graph) override;
    HRESULT STDMETHODCALLTYPE SetOutputFileName(const GUID* type, LPCOLESTR file,
                                                IBaseFilter** multiplexer,
                                                IFileSinkFilter** sink) override;
    HRESULT STDMETHODCALLTYPE FindInterface(const GUID* category, const GUID* type,
                                            IBaseFilter* filter, REFIID interfaceId,
                                            void** object) override;
    HRESULT STDMETHODCALLTYPE RenderStream(const GUID* category, const GUID* type, IUnknown* source,
                                           IBaseFilter* intermediate, IBaseFilter* sink) override;
    HRESULT STDMETHODCALLTYPE ControlStream(const GUID*, const GUID*, IBaseFilter*, REFERENCE_TIME*,
                                            REFERENCE_TIME*, WORD, WORD) override;
    HRESULT STDMETHODCALLTYPE AllocCapFile(LPCOLESTR, DWORDLONG) override;
    HRESULT STDMETHODCALLTYPE CopyCaptureFile(LPOLESTR, LPOLESTR, int,
                                              IAMCopyCaptureFileProgress*) override;
    HRESULT STDMETHODCALLTYPE FindPin(IUnknown*, PIN_DIRECTION, const GUID*, const GUID*, BOOL, int,
                                      IPin**) override;

private:
    void* Interface(REFIID interfaceId) override;
    // Connects a free output of one fake filter to a free input of the next.
    static void Link(IUnknown* from, IUnknown* to);

    ComPtr<IGraphBuilder> graph_;
    ComPtr<FakeFilter> mux_;
    ComPtr<FakeFileWriter> writer_;
    ComPtr<FakeAviMuxConfig> muxConfig_;
    int renderers_ = 0;
};

} // namespace tbfake
