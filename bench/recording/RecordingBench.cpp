// A 640x480 recording of the test pattern camera: the capture control (File > Capture to
// file's path: preview beside the recording, on Wine its AVI multiplexer writing through
// the program's own sink) against a bare graph of the same filters built by hand (the
// camera, a smart tee, the platform's AVI multiplexer and the same sink on the capture
// side, the platform's renderer on the preview side, its window hidden like the
// control's). Rounds alternate, so both see the same machine load. Prints the process's
// CPU (percent of one core) and the frames the camera dropped, each against the bare
// graph's.
#include "BenchReport.h"

#include "capture/VideoCapture.h"
#include "devices/DeviceCatalogue.h"
#include "framework/Application.h"
#include "framework/Prompter.h"
#include "media/FileSink.h"
#include "media/MediaIds.h"

#include <windows.h>
#include <dshow.h>
#include <wrl/client.h>

#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

using Microsoft::WRL::ComPtr;
using namespace tb;

namespace {

constexpr DWORD kRecordMilliseconds = 8000;

// Answers every message box with OK, printing it: a benchmark never waits for a user.
class TPrintingPrompter final : public IPrompter {
public:
    int Message(HWND, const std::wstring& text, const std::wstring&, UINT) override {
        std::fwprintf(stderr, L"message: %ls\n", text.c_str());
        return IDOK;
    }
    INT_PTR Modal(const std::wstring&, TForm*, const std::function<INT_PTR()>&) override {
        return IDCANCEL;
    }
};

void Pump(DWORD milliseconds) {
    const ULONGLONG end = ::GetTickCount64() + milliseconds;
    for (ULONGLONG now = ::GetTickCount64(); now < end; now = ::GetTickCount64()) {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
    }
}

double CpuSeconds() {
    FILETIME created, exited, kernel, user;
    ::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto seconds = [](const FILETIME& time) {
        return static_cast<double>((static_cast<ULONGLONG>(time.dwHighDateTime) << 32) |
                                   time.dwLowDateTime) /
               1e7;
    };
    return seconds(kernel) + seconds(user);
}

std::wstring TempFile(const wchar_t* name) {
    wchar_t folder[MAX_PATH + 1] = {};
    ::GetTempPathW(MAX_PATH + 1, folder);
    return std::wstring(folder) + name;
}

struct TRound {
    double cpuPercent = 0;
    double dropped = 0;
};

// The bare graph: built, run for the recording's time, stopped and let go.
std::optional<TRound> BareRecording(IMoniker* camera, HWND hidden, const std::wstring& file) {
    ComPtr<ICaptureGraphBuilder2> builder;
    ComPtr<IGraphBuilder> graph;
    ComPtr<IBaseFilter> source, multiplexer, sink;
    if (FAILED(::CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_ICaptureGraphBuilder2,
                                  reinterpret_cast<void**>(builder.GetAddressOf()))) ||
        FAILED(::CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_IGraphBuilder,
                                  reinterpret_cast<void**>(graph.GetAddressOf()))) ||
        FAILED(builder->SetFiltergraph(graph.Get())) ||
        FAILED(camera->BindToObject(nullptr, nullptr, IID_IBaseFilter,
                                    reinterpret_cast<void**>(source.GetAddressOf()))) ||
        FAILED(graph->AddFilter(source.Get(), L"Camera")))
        return std::nullopt;
    // The platform's own file path where it has one, else the multiplexer and the sink.
    ComPtr<IFileSinkFilter> writer;
    if (builder->SetOutputFileName(&MEDIASUBTYPE_Avi, file.c_str(), multiplexer.GetAddressOf(),
                                   writer.GetAddressOf()) != S_OK) {
        ComPtr<IConfigInterleaving> interleaving;
        if (FAILED(::CoCreateInstance(
                CLSID_AviDest, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                reinterpret_cast<void**>(multiplexer.ReleaseAndGetAddressOf()))) ||
            FAILED(
                CreateFileSink(IID_IBaseFilter, reinterpret_cast<void**>(sink.GetAddressOf()))) ||
            FAILED(sink.As(&writer)) || FAILED(writer->SetFileName(file.c_str(), nullptr)))
            return std::nullopt;
        if (SUCCEEDED(multiplexer.As(&interleaving)))
            interleaving->put_Mode(INTERLEAVE_FULL);
        graph->AddFilter(multiplexer.Get(), L"AVI Mux");
        graph->AddFilter(sink.Get(), L"File sink");
        if (FAILED(builder->RenderStream(nullptr, nullptr, multiplexer.Get(), nullptr, sink.Get())))
            return std::nullopt;
    }
    ComPtr<IBaseFilter> tee;
    if (FAILED(::CoCreateInstance(CLSID_SmartTee, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                  reinterpret_cast<void**>(tee.GetAddressOf()))) ||
        FAILED(graph->AddFilter(tee.Get(), L"Smart Tee")) ||
        FAILED(
            builder->RenderStream(nullptr, &MEDIATYPE_Video, source.Get(), nullptr, tee.Get())) ||
        FAILED(builder->RenderStream(nullptr, &MEDIATYPE_Video, tee.Get(), nullptr,
                                     multiplexer.Get())) ||
        FAILED(builder->RenderStream(nullptr, &MEDIATYPE_Video, tee.Get(), nullptr, nullptr)))
        return std::nullopt;
    ComPtr<IVideoWindow> window;
    if (SUCCEEDED(graph.As(&window))) {
        window->put_WindowStyle(WS_CHILD | WS_CLIPSIBLINGS);
        window->put_Owner(reinterpret_cast<OAHWND>(hidden));
    }
    ComPtr<IAMDroppedFrames> counter;
    builder->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, source.Get(),
                           IID_IAMDroppedFrames, reinterpret_cast<void**>(counter.GetAddressOf()));
    ComPtr<IMediaControl> control;
    if (FAILED(graph.As(&control)) || FAILED(control->Run()))
        return std::nullopt;
    const double before = CpuSeconds();
    Pump(kRecordMilliseconds);
    TRound round;
    round.cpuPercent = (CpuSeconds() - before) * 100.0 * 1000.0 / kRecordMilliseconds;
    long dropped = 0;
    if (counter && counter->GetNumDropped(&dropped) == S_OK)
        round.dropped = dropped;
    source->Stop(); // as the control does: no frame on its way while the graph stops
    control->Pause();
    control->Stop();
    if (window)
        window->put_Owner(0);
    return round;
}

std::optional<TRound> ControlRecording(TVideoCapture& control, const std::wstring& file) {
    if (!control.StartCapture(file))
        return std::nullopt;
    const double before = CpuSeconds();
    Pump(kRecordMilliseconds);
    TRound round;
    round.cpuPercent = (CpuSeconds() - before) * 100.0 * 1000.0 / kRecordMilliseconds;
    round.dropped = control.DroppedFrames();
    if (!control.StopCapture())
        return std::nullopt;
    return round;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const int rounds = argc > 1 ? std::max(1, _wtoi(argv[1])) : 3;
    if (FAILED(::CoInitialize(nullptr)))
        return 1;
    int exitCode = 1;
    {
        TApplication application(std::make_shared<TPrintingPrompter>());
        TDevices devices(DefaultMediaPlatform());
        ComPtr<IMoniker> camera;
        std::optional<std::int32_t> index;
        const auto names = devices.VideoDeviceNames();
        for (std::size_t i = 0; i < names.size() && !index; ++i)
            if (names[i].rfind(L"Test Pattern Camera", 0) == 0)
                index = static_cast<std::int32_t>(i);
        if (!index) {
            std::fprintf(stderr, "the test pattern camera is not registered\n");
            return 1;
        }
        TVideoCapture control(nullptr, L"VideoCapture1", DefaultMediaPlatform(), DefaultClock(),
                              &devices);
        control.SetReinitOnSelect(false);
        if (!control.SelectVideoDeviceByIndex(*index) || !control.InitGraph()) {
            std::fprintf(stderr, "the control shows no picture of the camera\n");
            return 1;
        }
        camera = devices.VideoDeviceByIndex(*index);
        HWND hidden = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 640, 480, nullptr,
                                        nullptr, nullptr, nullptr);
        const std::wstring programFile = TempFile(L"tb-bench-control.avi");
        const std::wstring bareFile = TempFile(L"tb-bench-bare.avi");
        std::vector<double> cpu, bareCpu, ratios, dropped, bareDropped;
        for (int round = 0; round < rounds; ++round) {
            const std::optional<TRound> program = ControlRecording(control, programFile);
            // The bare graph records while the control's preview is stopped.
            control.SetPreview(false);
            const std::optional<TRound> bare = BareRecording(camera.Get(), hidden, bareFile);
            control.SetPreview(true);
            if (!program || !bare) {
                std::fprintf(stderr, "round %d: a recording did not run\n", round);
                return 1;
            }
            cpu.push_back(program->cpuPercent);
            bareCpu.push_back(bare->cpuPercent);
            ratios.push_back(bare->cpuPercent > 0 ? program->cpuPercent / bare->cpuPercent : 0);
            dropped.push_back(program->dropped);
            bareDropped.push_back(bare->dropped);
        }
        tbbench::Report("recording 640x480 30 fps: % of a core", tbbench::Median(cpu),
                        "bare graph, same sink", tbbench::Median(bareCpu), "<=1.3",
                        tbbench::Median(ratios));
        tbbench::Report("recording 640x480 30 fps: frames dropped in 8 s", tbbench::Median(dropped),
                        "bare graph, same sink", tbbench::Median(bareDropped), "<=ref");
        ::DestroyWindow(hidden);
        ::DeleteFileW(programFile.c_str());
        ::DeleteFileW(bareFile.c_str());
        exitCode = 0;
    }
    ::CoUninitialize();
    return exitCode;
}
