// Cost of the test pattern camera: drawing one frame at 640x480, 1920x1080 and 3840x2160,
// and the whole filter streaming 640x480 at 30 frames per second into a null renderer (process CPU
// time per second of streaming, which includes the renderer's negligible share).
//   bench_testcam.exe [SECONDS]   (default 10 seconds of streaming)
#include "BenchReport.h"
#include "FrameTiming.h"
#include "MediaTypes.h"
#include "Pattern.h"

#include <windows.h>
#include <dshow.h>
#include <wrl/client.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <cwchar>
#include <vector>

using Microsoft::WRL::ComPtr;

namespace {

// {C1F400A4-3F08-11D3-9F0B-006008039E37}
constexpr GUID kClsidNullRenderer = {
    0xC1F400A4, 0x3F08, 0x11D3, {0x9F, 0x0B, 0x00, 0x60, 0x08, 0x03, 0x9E, 0x37}};
// {6B8E5D20-3C1A-4F7B-9E42-1A2B3C4D5E61}
constexpr GUID kClsidCamera1 = {
    0x6B8E5D20, 0x3C1A, 0x4F7B, {0x9E, 0x42, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E, 0x61}};

double ProcessCpuSeconds() {
    FILETIME created{}, exited{}, kernel{}, user{};
    ::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto seconds = [](const FILETIME& t) {
        return (static_cast<double>(t.dwHighDateTime) * 4294967296.0 + t.dwLowDateTime) / 1e7;
    };
    return seconds(kernel) + seconds(user);
}

// Drawing one frame, against a memcpy of the frame's bytes in the same run.
void BenchRendering(testcam::PixelLayout layout, const char* name, int32_t width, int32_t height) {
    const testcam::VideoMode mode{layout, width, height, {30, 1}};
    const testcam::PatternRenderer renderer(mode);
    std::vector<uint8_t> frame(static_cast<size_t>(testcam::ImageSize(mode)));
    std::vector<uint8_t> copy(frame.size());
    int index = 0;
    // About as long for every size: fewer runs of the large frames, at least 20.
    const int runs =
        static_cast<int>(std::max<int64_t>(20, 300 * 307200 / (int64_t{width} * height)));
    const tbbench::TMedians medians = tbbench::MeasurePair(
        runs, [&] { renderer.Render(index++, {}, frame.data()); },
        [&] { std::memcpy(copy.data(), frame.data(), frame.size()); });
    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    std::printf("render %s %s: %.1f us per frame (%.2f%% of one core at 30 fps)\n", name,
                size.c_str(), medians.work, medians.work * 30 / 1e4);
    tbbench::Report(std::string("testcam: render one ") + name + " " + size + " frame",
                    medians.work, "memcpy of the frame", medians.reference, "-", medians.ratio);
}

// The process's own cost while nothing streams, to read the streaming figure against.
void BenchIdle(double seconds) {
    const double cpuBefore = ProcessCpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    ::Sleep(static_cast<DWORD>(seconds * 1000));
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("idle process for %.1f s: CPU %.1f ms per second\n", wall,
                (ProcessCpuSeconds() - cpuBefore) / wall * 1000);
}

int BenchStreaming(double seconds) {
    ComPtr<IGraphBuilder> graph;
    ComPtr<IBaseFilter> camera;
    ComPtr<IBaseFilter> sink;
    HRESULT hr =
        ::CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&graph));
    if (SUCCEEDED(hr))
        hr =
            ::CoCreateInstance(kClsidCamera1, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&camera));
    if (SUCCEEDED(hr))
        hr = ::CoCreateInstance(kClsidNullRenderer, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(&sink));
    if (SUCCEEDED(hr))
        hr = graph->AddFilter(camera.Get(), L"camera");
    if (SUCCEEDED(hr))
        hr = graph->AddFilter(sink.Get(), L"null");
    ComPtr<IEnumPins> pins;
    ComPtr<IPin> out;
    ComPtr<IPin> in;
    if (SUCCEEDED(hr))
        hr = camera->EnumPins(&pins);
    if (SUCCEEDED(hr))
        hr = pins->Next(1, &out, nullptr);
    pins.Reset();
    if (hr == S_OK)
        hr = sink->EnumPins(&pins);
    if (SUCCEEDED(hr))
        hr = pins->Next(1, &in, nullptr);
    if (hr == S_OK)
        hr = graph->ConnectDirect(out.Get(), in.Get(), nullptr); // the default 640x480 RGB24 30
    ComPtr<IMediaControl> control;
    ComPtr<IAMDroppedFrames> dropped;
    if (SUCCEEDED(hr))
        hr = graph->QueryInterface(IID_IMediaControl,
                                   reinterpret_cast<void**>(control.GetAddressOf()));
    if (SUCCEEDED(hr))
        hr = out->QueryInterface(IID_IAMDroppedFrames,
                                 reinterpret_cast<void**>(dropped.GetAddressOf()));
    if (FAILED(hr)) {
        std::printf("graph: error 0x%08lX (is testcam.dll registered?)\n",
                    static_cast<unsigned long>(hr));
        return 1;
    }
    control->Run();
    ::Sleep(500); // settle
    long deliveredBefore = 0;
    dropped->GetNumNotDropped(&deliveredBefore);
    const double cpuBefore = ProcessCpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    ::Sleep(static_cast<DWORD>(seconds * 1000));
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double cpu = ProcessCpuSeconds() - cpuBefore;
    long delivered = 0;
    long lost = 0;
    dropped->GetNumNotDropped(&delivered);
    dropped->GetNumDropped(&lost);
    control->Stop();
    std::printf("stream RGB24 640x480 30 fps for %.1f s: %.1f frames/s delivered, %ld dropped, "
                "CPU %.1f ms per second (%.2f%% of one core)\n",
                wall, (delivered - deliveredBefore) / wall, lost, cpu / wall * 1000,
                cpu / wall * 100);
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const double seconds = argc > 1 ? std::wcstod(argv[1], nullptr) : 10.0;
    if (FAILED(::CoInitializeEx(nullptr, COINIT_MULTITHREADED)))
        return 2;
    for (const auto& size : {std::array<int32_t, 2>{640, 480}, std::array<int32_t, 2>{1920, 1080},
                             std::array<int32_t, 2>{3840, 2160}}) {
        BenchRendering(testcam::PixelLayout::Rgb24, "RGB24", size[0], size[1]);
        BenchRendering(testcam::PixelLayout::Yuy2, "YUY2", size[0], size[1]);
    }
    BenchIdle(3.0);
    const int result = BenchStreaming(seconds > 0 ? seconds : 10.0);
    ::CoUninitialize();
    return result;
}
