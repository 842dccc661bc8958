// soakhost: long runs of one capture control on the test pattern cameras, as a bench left
// running all day treats it, with the process's own figures:
//
//   soakhost switch <count>                 switches between the two cameras through the
//                                           control's selection, a frame after each
//   soakhost unplug <cycles> <minMs> <maxMs> unplugs and replugs the camera at random
//                                           intervals during preview
//   soakhost preview <seconds>              previews without a break
//   soakhost stall <seconds>                previews while the camera stalls and aborts
//   soakhost dialogs <cycles>               stalls and aborts the camera while the
//                                           filter's property frame or the capture pin's
//                                           format page is open
//
// Every run prints "figure <name> <value>" lines (counts, CPU, handle, GDI, USER and
// private-memory drift between the first and the last tenth of the run) and ends with
// "result ok" or "result fail <what>". The result judges only what the run itself sees
// (a hang, a switch or a replug without a picture, an abort not reported, a control that
// spins); the growth of handles and memory and the frames of the long preview are
// figures, judged once by the runner (soak.py) against the platform's own figures. A
// watchdog thread asks the form for an answer every 250 ms: a user-interface thread that
// does not answer within 1 s counts as hung.
#define PSAPI_VERSION 2
#include "DeviceControl.h"
#include "capture/PopupMenuLayout.h"
#include "support/CaptureHost.h"

#include <psapi.h>

#include <algorithm>
#include <cstdint>
#include <atomic>
#include <cstdio>
#include <cwchar>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr wchar_t kCamera[] = L"Test Pattern Camera";
constexpr wchar_t kSecondCamera[] = L"Test Pattern Camera (1)";

struct TSample {
    double handles = 0;
    double gdi = 0;
    double user = 0;
    double privateBytes = 0;
};

// The process's handles, counted by asking about each handle value in turn (the platform
// here answers no handle count): values are handed out from the lowest free one, so the
// scan ends after a long run of values that are no handle.
double CountHandles() {
    int count = 0;
    int misses = 0;
    for (std::uintptr_t value = 4; misses < 1024; value += 4) {
        DWORD flags = 0;
        if (::GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) {
            ++count;
            misses = 0;
        } else {
            ++misses;
        }
    }
    return count;
}

BOOL CALLBACK CountWindow(HWND, LPARAM data) {
    ++*reinterpret_cast<int*>(data);
    return TRUE;
}

BOOL CALLBACK CountOwnWindow(HWND window, LPARAM data) {
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    if (process == ::GetCurrentProcessId()) {
        CountWindow(window, data);
        ::EnumChildWindows(window, CountWindow, data);
    }
    return TRUE;
}

// The windows of the process, the bulk of its user-interface objects (the platform here
// answers no object counts).
double CountWindows() {
    int count = 0;
    ::EnumWindows(CountOwnWindow, reinterpret_cast<LPARAM>(&count));
    return count;
}

TSample Measure() {
    TSample sample;
    sample.handles = CountHandles();
    sample.gdi = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS);
    sample.user =
        std::max<double>(::GetGuiResources(::GetCurrentProcess(), GR_USEROBJECTS), CountWindows());
    // The commit charge: the process's private bytes.
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof(memory);
    if (::GetProcessMemoryInfo(::GetCurrentProcess(), &memory, sizeof(memory)))
        sample.privateBytes = static_cast<double>(memory.PagefileUsage);
    return sample;
}

double CpuSeconds() {
    FILETIME created, exited, kernel, user;
    ::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user);
    const auto seconds = [](const FILETIME& time) {
        return (static_cast<double>(time.dwHighDateTime) * 4294967296.0 + time.dwLowDateTime) / 1e7;
    };
    return seconds(kernel) + seconds(user);
}

void Figure(const char* name, double value) {
    std::printf("figure %s %.4g\n", name, value);
    std::fflush(stdout);
}

// The samples of a run: the first fifth is the warm-up (the platform's caches and pools
// fill); drift compares the mean of the first tenth of the rest with the mean of the last
// tenth, in percent.
class TDrift {
public:
    void Take() { samples_.push_back(Measure()); }
    // Prints the four drifts. Handles are printed as their growth too ("handle_growth",
    // handles between the first and the last tenth): Wine's own filter graph keeps a
    // handle or two for every graph made, so the runner judges them against the bare
    // graphs' growth.
    void Report() const {
        const auto one = [&](const char* name, double TSample::*field) {
            const std::size_t warmUp = std::max<std::size_t>(samples_.size() / 5, 1);
            if (samples_.size() < warmUp + 2)
                return;
            const std::size_t count = samples_.size() - warmUp;
            const std::size_t tenth = std::max<std::size_t>(count / 10, 1);
            double first = 0, last = 0;
            for (std::size_t i = 0; i < tenth; ++i) {
                first += samples_[warmUp + i].*field;
                last += samples_[samples_.size() - 1 - i].*field;
            }
            const double drift = first > 0 ? (last - first) / first * 100.0 : 0.0;
            Figure(name, drift);
            if (field == &TSample::handles)
                Figure("handle_growth", (last - first) / static_cast<double>(tenth));
        };
        if (!samples_.empty()) {
            Figure("handles_end", samples_.back().handles);
            Figure("private_mb_end", samples_.back().privateBytes / 1048576.0);
        }
        one("handle_drift_pct", &TSample::handles);
        one("gdi_drift_pct", &TSample::gdi);
        one("user_drift_pct", &TSample::user);
        one("memory_drift_pct", &TSample::privateBytes);
    }

private:
    std::vector<TSample> samples_;
};

// Asks the window for an answer four times a second from a thread of its own.
class TWatchdog {
public:
    explicit TWatchdog(HWND window)
        : thread_([this, window] {
              while (!stop_) {
                  const ULONGLONG start = ::GetTickCount64();
                  DWORD_PTR answer = 0;
                  if (!::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000,
                                             &answer))
                      ++hangs_;
                  longest_ = std::max<ULONGLONG>(longest_, ::GetTickCount64() - start);
                  ::Sleep(250);
              }
          }) {}
    ~TWatchdog() {
        stop_ = true;
        thread_.join();
    }
    int Hangs() const { return hangs_; }
    ULONGLONG Longest() const { return longest_; }

private:
    std::atomic<bool> stop_{false};
    std::atomic<int> hangs_{0};
    std::atomic<ULONGLONG> longest_{0};
    std::thread thread_;
};

// Frames rendered by the control, counted through its frame-rendered event.
struct TFrameCounter {
    explicit TFrameCounter(tb::TVideoCapture& control) {
        control.OnFrameRendered = [this](tb::TVideoCapture&) { ++frames; };
    }
    long frames = 0;
};

// Stream aborts the control reported, counted through its aborted event.
struct TAbortCounter {
    explicit TAbortCounter(tb::TVideoCapture& control) {
        control.OnAborted = [this](tb::TVideoCapture&) { ++aborts; };
    }
    int aborts = 0;
};

int Fail(const std::string& what) {
    std::printf("result fail %s\n", what.c_str());
    return 1;
}

int Ok() {
    std::puts("result ok");
    return 0;
}

void SetUnplugged(testcam::DeviceControl& control, bool unplugged) {
    control.SetUnplugged(1, unplugged);
    control.SetUnplugged(2, unplugged);
}

// Starts the first camera with the grabber in the preview path, so every frame rendered
// is announced.
bool StartGrabbing(tbtest::TCaptureHost& host) {
    host.Control().SetWantBitmapGrab(true);
    return host.Start(kCamera);
}

int RunSwitch(tbtest::TCaptureHost& host, long count) {
    tb::TVideoCapture& control = host.Control();
    TFrameCounter counter(control);
    if (!StartGrabbing(host))
        return Fail("the camera does not start");
    TWatchdog watchdog(host.Form().Handle());
    TDrift drift;
    long blank = 0;
    const long sample = std::max(count / 50, 1L);
    for (long i = 0; i < count; ++i) {
        const long before = counter.frames;
        control.SelectVideoDeviceByName(i % 2 == 0 ? kSecondCamera : kCamera);
        if (!host.WaitUntil([&] { return counter.frames > before; }, 3000))
            ++blank;
        if (i % sample == 0)
            drift.Take();
    }
    Figure("switches", static_cast<double>(count));
    Figure("switches_without_picture", static_cast<double>(blank));
    Figure("hangs", watchdog.Hangs());
    drift.Report();
    if (blank > 0)
        return Fail("switches without a picture");
    if (watchdog.Hangs() > 0)
        return Fail("the window did not answer");
    return Ok();
}

int RunUnplug(tbtest::TCaptureHost& host, long cycles, DWORD shortest, DWORD longest) {
    tb::TVideoCapture& control = host.Control();
    testcam::DeviceControl device;
    SetUnplugged(device, false);
    TFrameCounter counter(control);
    if (!StartGrabbing(host))
        return Fail("the camera does not start");
    TWatchdog watchdog(host.Form().Handle());

    // What the process costs with nothing running, the reference for a settled control.
    control.SetPreview(false);
    host.Wait(500);
    double start = CpuSeconds();
    host.Wait(2000);
    const double idle = (CpuSeconds() - start) / 2.0;
    control.SetPreview(true);

    std::mt19937 random(20261208);
    std::uniform_int_distribution<DWORD> interval(shortest, longest);
    TDrift drift;
    const long sample = std::max(cycles / 50, 1L);
    for (long i = 0; i < cycles; ++i) {
        SetUnplugged(device, true);
        host.Wait(interval(random));
        SetUnplugged(device, false);
        host.Wait(interval(random));
        if (i % sample == 0)
            drift.Take();
    }
    // The picture is back after the last replug.
    const long before = counter.frames;
    const ULONGLONG backStart = ::GetTickCount64();
    const bool back = host.WaitUntil([&] { return counter.frames > before + 1; }, 2000);
    const double backSeconds = (::GetTickCount64() - backStart) / 1000.0;

    // A long unplugged spell, once the control has settled.
    SetUnplugged(device, true);
    host.Wait(1500);
    start = CpuSeconds();
    host.Wait(3000);
    const double unplugged = (CpuSeconds() - start) / 3.0;
    SetUnplugged(device, false);
    host.Wait(1000);

    Figure("cycles", static_cast<double>(cycles));
    Figure("messages", host.Messages());
    Figure("idle_cpu_s_per_s", idle);
    Figure("unplugged_cpu_s_per_s", unplugged);
    Figure("unplugged_to_idle_ratio", idle > 0 ? unplugged / idle : 0.0);
    Figure("picture_back_s", back ? backSeconds : -1.0);
    Figure("hangs", watchdog.Hangs());
    Figure("longest_answer_ms", static_cast<double>(watchdog.Longest()));
    drift.Report();
    if (watchdog.Hangs() > 0)
        return Fail("the window did not answer");
    if (!back)
        return Fail("no picture after the last replug");
    // The process clock counts in steps of 10 ms: up to 1 % of a core is noise here.
    if (unplugged > idle * 1.5 + 0.01)
        return Fail("the control spins while the camera is unplugged");
    return Ok();
}

// Previews without a break. When a bare graph of the platform streams the second test
// pattern camera beside it (the runner starts one), that camera's own counts over the
// same stretch are printed too ("reference_*"): what the machine let a graph without the
// control deliver at the same time.
int RunPreview(tbtest::TCaptureHost& host, long seconds) {
    tb::TVideoCapture& control = host.Control();
    testcam::DeviceControl device;
    TFrameCounter counter(control);
    if (!StartGrabbing(host))
        return Fail("the camera does not start");
    TWatchdog watchdog(host.Form().Handle());
    host.Wait(1000);
    // The frames the camera itself could not deliver in time (its IAMDroppedFrames count).
    const LONG droppedBefore = device.Dropped(1);
    const LONG referenceDroppedBefore = device.Dropped(2);
    const LONG referenceDeliveredBefore = device.Delivered(2);
    const double rate = control.VideoFrameRate();
    const long first = counter.frames;
    const ULONGLONG start = ::GetTickCount64();
    TDrift drift;
    for (long second = 0; second < seconds; ++second) {
        host.Wait(1000);
        if (second % std::max(seconds / 50, 1L) == 0)
            drift.Take();
    }
    const double elapsed = (::GetTickCount64() - start) / 1000.0;
    const double expected = rate * elapsed;
    const double delivered = static_cast<double>(counter.frames - first);
    const LONG referenceDelivered = device.Delivered(2) - referenceDeliveredBefore;
    Figure("seconds", elapsed);
    Figure("frame_rate", rate);
    Figure("frames_expected", expected);
    Figure("frames_rendered", delivered);
    Figure("frames_missing", std::max(expected - delivered, 0.0));
    Figure("source_dropped", static_cast<double>(device.Dropped(1) - droppedBefore));
    if (referenceDeliveredBefore > 0 && referenceDelivered > 0) {
        Figure("reference_delivered", static_cast<double>(referenceDelivered));
        Figure("reference_missing", std::max(expected - referenceDelivered, 0.0));
        Figure("reference_dropped",
               static_cast<double>(device.Dropped(2) - referenceDroppedBefore));
    }
    Figure("hangs", watchdog.Hangs());
    drift.Report();
    return watchdog.Hangs() > 0 ? Fail("the window did not answer") : Ok();
}

int RunStall(tbtest::TCaptureHost& host, long seconds) {
    tb::TVideoCapture& control = host.Control();
    testcam::DeviceControl device;
    TFrameCounter counter(control);
    TAbortCounter aborted(control);
    int& aborts = aborted.aborts;
    if (!StartGrabbing(host))
        return Fail("the camera does not start");
    TWatchdog watchdog(host.Form().Handle());
    long stalls = 0;
    for (long second = 0; second < seconds; ++second) {
        device.Stall(1, 700);
        device.Stall(2, 700);
        ++stalls;
        host.Wait(1000);
    }
    device.RequestAbort(1);
    device.RequestAbort(2);
    host.WaitUntil([&] { return aborts > 0; }, 3000);
    // After an abort the graph is run again through the preview switch.
    control.SetPreview(false);
    control.SetPreview(true);
    const long before = counter.frames;
    const bool back = host.WaitUntil([&] { return counter.frames > before + 1; }, 3000);
    Figure("stalls", static_cast<double>(stalls));
    Figure("aborts_reported", aborts);
    Figure("hangs", watchdog.Hangs());
    Figure("longest_answer_ms", static_cast<double>(watchdog.Longest()));
    if (watchdog.Hangs() > 0)
        return Fail("the window did not answer");
    if (aborts != 1)
        return Fail("the abort was not reported once");
    return back ? Ok() : Fail("no picture after the abort");
}

// The first window of this thread other than the form: the dialog the control opened.
HWND FindDialog(DWORD thread, HWND form) {
    struct TSearch {
        HWND form;
        HWND found;
    } search{form, nullptr};
    ::EnumThreadWindows(
        thread,
        [](HWND window, LPARAM data) {
            auto& search = *reinterpret_cast<TSearch*>(data);
            if (window == search.form || !::IsWindowVisible(window))
                return TRUE;
            wchar_t name[16] = {};
            ::GetClassNameW(window, name, 16);
            if (std::wcscmp(name, L"#32770") != 0)
                return TRUE;
            search.found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Opens the filter's property frame (the preview goes on behind it) and the capture pin's
// format page (the graph is down while it is open) in turn. While each is open, a thread
// of its own stalls the cameras or, every other cycle, aborts their stream, then presses
// the dialog's Cancel. The window must answer throughout, the abort must be reported once,
// and the picture must come back once the dialog is closed (after an abort, through the
// preview switch, as a user would).
int RunDialogs(tbtest::TCaptureHost& host, long cycles) {
    tb::TVideoCapture& control = host.Control();
    testcam::DeviceControl device;
    TFrameCounter counter(control);
    TAbortCounter aborted(control);
    int& aborts = aborted.aborts;
    if (!StartGrabbing(host))
        return Fail("the camera does not start");
    const HWND form = host.Form().Handle();
    const DWORD thread = ::GetCurrentThreadId();
    TWatchdog watchdog(form);
    const double windowsBefore = CountWindows();
    long opened = 0, notOpened = 0, withoutPicture = 0, abortsExpected = 0;
    for (long i = 0; i < cycles; ++i) {
        const int kind = i % 2 == 0 ? tb::dkVideoDecoder : tb::dkVideoStreamFormat;
        const bool abort = i % 4 >= 2;
        std::atomic<bool> found{false};
        std::thread user([&] {
            HWND dialog = nullptr;
            for (int wait = 0; wait < 100 && dialog == nullptr; ++wait) {
                ::Sleep(50);
                dialog = FindDialog(thread, form);
            }
            if (dialog == nullptr)
                return;
            found = true;
            for (int camera = 1; camera <= 2; ++camera) {
                if (abort)
                    device.RequestAbort(camera);
                else
                    device.Stall(camera, 700);
            }
            ::Sleep(1500);
            ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                           reinterpret_cast<LPARAM>(::GetDlgItem(dialog, IDCANCEL)));
        });
        const int abortsBefore = aborts;
        const bool shown = control.ShowDeviceDialog(kind);
        user.join();
        if (!shown || !found) {
            ++notOpened;
            continue;
        }
        ++opened;
        // A running stream's abort is reported; the format page's graph was down.
        if (abort && kind == tb::dkVideoDecoder) {
            ++abortsExpected;
            host.WaitUntil([&] { return aborts > abortsBefore; }, 3000);
        }
        if (aborts > abortsBefore) {
            control.SetPreview(false);
            control.SetPreview(true);
        }
        const long before = counter.frames;
        if (!host.WaitUntil([&] { return counter.frames > before + 1; }, 3000))
            ++withoutPicture;
    }
    host.Wait(500);
    Figure("dialogs_opened", static_cast<double>(opened));
    Figure("dialogs_not_opened", static_cast<double>(notOpened));
    Figure("aborts_expected", static_cast<double>(abortsExpected));
    Figure("aborts_reported", aborts);
    Figure("closes_without_picture", static_cast<double>(withoutPicture));
    Figure("windows_left", CountWindows() - windowsBefore);
    Figure("messages", host.Messages());
    Figure("hangs", watchdog.Hangs());
    Figure("longest_answer_ms", static_cast<double>(watchdog.Longest()));
    if (notOpened > 0)
        return Fail("a dialog did not open");
    if (watchdog.Hangs() > 0)
        return Fail("the window did not answer");
    if (aborts != abortsExpected)
        return Fail("an abort was not reported once");
    if (withoutPicture > 0)
        return Fail("no picture after a dialog");
    return CountWindows() > windowsBefore ? Fail("a dialog's window stayed") : Ok();
}

// The platform alone doing what a switch does: the camera, a smart tee, a sample grabber
// and the default renderer connected by the capture graph builder in a new graph, run
// until the camera has delivered a frame (as a switch waits for one: a graph stopped
// before it streams keeps fewer of the platform's handles, and on a busy machine many
// would), stopped and let go. The reference for the control's own figures.
int RunBare(tbtest::TCaptureHost& host, long count) {
    using Microsoft::WRL::ComPtr;
    const auto& platform = tb::DefaultMediaPlatform();
    testcam::DeviceControl device;
    TDrift drift;
    const long sample = std::max(count / 50, 1L);
    long failed = 0;
    long withoutFrame = 0;
    for (long i = 0; i < count; ++i) {
        const int number = i % 2 != 0 ? 2 : 1;
        ComPtr<IMoniker> moniker =
            host.Devices().VideoDeviceByName(number == 2 ? kSecondCamera : kCamera);
        ComPtr<IBaseFilter> camera, tee, grabber;
        ComPtr<IGraphBuilder> graph;
        ComPtr<ICaptureGraphBuilder2> builder;
        ComPtr<IMediaControl> media;
        const GUID* video = &MEDIATYPE_Video;
        if (FAILED(moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter,
                                         reinterpret_cast<void**>(camera.GetAddressOf()))) ||
            FAILED(platform->Create(CLSID_FilterGraph, graph)) ||
            FAILED(platform->Create(CLSID_CaptureGraphBuilder2, builder)) ||
            FAILED(platform->Create(CLSID_SmartTee, tee)) ||
            FAILED(platform->Create(tb::kClsidSampleGrabber, grabber)) ||
            FAILED(builder->SetFiltergraph(graph.Get())) ||
            FAILED(graph->AddFilter(camera.Get(), nullptr)) ||
            FAILED(graph->AddFilter(tee.Get(), L"MySmartTee")) ||
            FAILED(graph->AddFilter(grabber.Get(), L"MyBitmapGrabber")) ||
            FAILED(builder->RenderStream(nullptr, video, camera.Get(), nullptr, tee.Get())) ||
            FAILED(builder->RenderStream(nullptr, video, tee.Get(), nullptr, grabber.Get())) ||
            FAILED(builder->RenderStream(nullptr, video, grabber.Get(), nullptr, nullptr)) ||
            FAILED(graph.As(&media)) || FAILED(media->Run())) {
            ++failed;
            continue;
        }
        // Running the graph started a new stream, whose counts begin at zero.
        if (!host.WaitUntil([&] { return device.Delivered(number) > 0; }, 3000))
            ++withoutFrame;
        media->Stop();
        if (i % sample == 0)
            drift.Take();
    }
    Figure("graphs", static_cast<double>(count));
    Figure("failed", static_cast<double>(failed));
    Figure("graphs_without_frame", static_cast<double>(withoutFrame));
    drift.Report();
    return failed == 0 ? Ok() : Fail("a bare graph failed");
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::puts("usage: soakhost switch|unplug|preview|stall|dialogs <count> [minMs maxMs]");
        return 2;
    }
    const std::wstring run = argv[1];
    const long count = std::wcstol(argv[2], nullptr, 10);
    tbtest::TCaptureHost host;
    if (!host.Devices().VideoDeviceByName(kCamera) ||
        !host.Devices().VideoDeviceByName(kSecondCamera))
        return Fail("the test pattern cameras are not registered");
    if (run == L"switch")
        return RunSwitch(host, count);
    if (run == L"unplug") {
        const DWORD shortest = argc > 3 ? std::wcstoul(argv[3], nullptr, 10) : 50;
        const DWORD longest = argc > 4 ? std::wcstoul(argv[4], nullptr, 10) : 2000;
        return RunUnplug(host, count, shortest, std::max(shortest, longest));
    }
    if (run == L"preview")
        return RunPreview(host, count);
    if (run == L"stall")
        return RunStall(host, count);
    if (run == L"dialogs")
        return RunDialogs(host, count);
    if (run == L"bare")
        return RunBare(host, count);
    return Fail("unknown run");
}
