// The reference for TestBench.exe's start-up and preview: the least a program does to show
// the test pattern camera. It builds the camera -> renderer graph with the platform's
// capture graph builder (the preview pin rendered as the platform chooses), runs it for
// SECONDS and stops.
//   bench_bare_preview.exe [SECONDS]   (default 60)
#include <windows.h>
#include <dshow.h>
#include <wrl/client.h>

#include <cwchar>

using Microsoft::WRL::ComPtr;

namespace {

// {6B8E5D20-3C1A-4F7B-9E42-1A2B3C4D5E61}: the first test pattern camera.
constexpr GUID kClsidCamera1 = {
    0x6B8E5D20, 0x3C1A, 0x4F7B, {0x9E, 0x42, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E, 0x61}};

int Run(double seconds) {
    ComPtr<IGraphBuilder> graph;
    ComPtr<ICaptureGraphBuilder2> builder;
    ComPtr<IBaseFilter> camera;
    HRESULT hr =
        ::CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&graph));
    if (SUCCEEDED(hr))
        hr = ::CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(&builder));
    if (SUCCEEDED(hr))
        hr = builder->SetFiltergraph(graph.Get());
    if (SUCCEEDED(hr))
        hr =
            ::CoCreateInstance(kClsidCamera1, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&camera));
    if (SUCCEEDED(hr))
        hr = graph->AddFilter(camera.Get(), L"Test Pattern Camera");
    if (SUCCEEDED(hr))
        hr = builder->RenderStream(&PIN_CATEGORY_PREVIEW, &MEDIATYPE_Video, camera.Get(), nullptr,
                                   nullptr);
    ComPtr<IMediaControl> control;
    if (SUCCEEDED(hr))
        hr = graph.As(&control);
    if (SUCCEEDED(hr))
        hr = control->Run();
    if (FAILED(hr))
        return 1;
    const ULONGLONG end = ::GetTickCount64() + static_cast<ULONGLONG>(seconds * 1000);
    while (::GetTickCount64() < end) {
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    }
    control->Stop();
    return 0;
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
    const double seconds =
        commandLine != nullptr && *commandLine != 0 ? std::wcstod(commandLine, nullptr) : 60.0;
    if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)))
        return 2;
    const int result = Run(seconds > 0 ? seconds : 60.0);
    ::CoUninitialize();
    return result;
}
