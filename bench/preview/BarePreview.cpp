// The reference for TestBench.exe's start-up, preview and device switch: the least a
// program does to show a test camera. It builds the camera -> renderer graph with the
// platform's capture graph builder (the preview pin rendered as the platform chooses),
// runs it for SECONDS and stops. Without a mode it shows test pattern camera 1; with
// WIDTH HEIGHT FPS, the test HD camera set to RGB24 at that mode first. Each line
// "switch" on its standard input tears the graph down and builds and runs the graph of
// test pattern camera 2 (then the first camera again, and so on), as a program does when
// its user picks another device. With NAME after the mode, the video capture device of
// that name (an emulated V4L2 webcam through Wine's own capture source) takes the HD
// camera's place.
//   bench_bare_preview.exe [SECONDS [WIDTH HEIGHT FPS [NAME]]]   (default 60 s, camera 1)
#include <windows.h>
#include <dshow.h>
#include <wrl/client.h>

#include <cstring>
#include <cwchar>
#include <string>
#include <thread>

using Microsoft::WRL::ComPtr;

namespace {

// {6B8E5D20-3C1A-4F7B-9E42-1A2B3C4D5E61} and ...62: the two test pattern cameras; ...65:
// the test HD camera.
constexpr GUID kClsidCameras[2] = {
    {0x6B8E5D20, 0x3C1A, 0x4F7B, {0x9E, 0x42, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E, 0x61}},
    {0x6B8E5D20, 0x3C1A, 0x4F7B, {0x9E, 0x42, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E, 0x62}}};
constexpr GUID kClsidHdCamera = {
    0x6B8E5D20, 0x3C1A, 0x4F7B, {0x9E, 0x42, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E, 0x65}};

// A mode to set before the graph is built; width 0: the camera's own.
struct Mode {
    long width = 0;
    long height = 0;
    double fps = 0;
};

// Sets the capture pin's current format to RGB24 at `mode`, as a program that picks a
// mode does: the current format with its size, rate and image size changed.
HRESULT SetMode(ICaptureGraphBuilder2* builder, IBaseFilter* camera, const Mode& mode) {
    ComPtr<IAMStreamConfig> config;
    HRESULT hr = builder->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, camera,
                                        IID_IAMStreamConfig, &config);
    AM_MEDIA_TYPE* type = nullptr;
    if (SUCCEEDED(hr))
        hr = config->GetFormat(&type);
    if (FAILED(hr))
        return hr;
    if (type->formattype == FORMAT_VideoInfo && type->cbFormat >= sizeof(VIDEOINFOHEADER)) {
        auto* info = reinterpret_cast<VIDEOINFOHEADER*>(type->pbFormat);
        info->AvgTimePerFrame = static_cast<REFERENCE_TIME>(10'000'000 / mode.fps + 0.5);
        info->bmiHeader.biWidth = mode.width;
        info->bmiHeader.biHeight = mode.height;
        info->bmiHeader.biBitCount = 24;
        info->bmiHeader.biSizeImage =
            static_cast<DWORD>((mode.width * 3 + 3) & ~3) * static_cast<DWORD>(mode.height);
        type->subtype = MEDIASUBTYPE_RGB24;
        type->lSampleSize = info->bmiHeader.biSizeImage;
        hr = config->SetFormat(type);
    } else {
        hr = E_FAIL;
    }
    if (type->pbFormat != nullptr)
        ::CoTaskMemFree(type->pbFormat);
    if (type->pUnk != nullptr)
        type->pUnk->Release();
    ::CoTaskMemFree(type);
    return hr;
}

// The video capture device listed under `name`, created from its moniker.
HRESULT CameraByName(const std::wstring& name, ComPtr<IBaseFilter>& camera) {
    ComPtr<ICreateDevEnum> devices;
    ComPtr<IEnumMoniker> monikers;
    HRESULT hr = ::CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER,
                                    IID_PPV_ARGS(&devices));
    if (SUCCEEDED(hr))
        hr = devices->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, &monikers, 0);
    if (hr != S_OK)
        return FAILED(hr) ? hr : E_FAIL;
    ComPtr<IMoniker> moniker;
    while (monikers->Next(1, &moniker, nullptr) == S_OK) {
        ComPtr<IPropertyBag> bag;
        VARIANT friendly;
        ::VariantInit(&friendly);
        const bool match =
            SUCCEEDED(moniker->BindToStorage(nullptr, nullptr, IID_PPV_ARGS(&bag))) &&
            SUCCEEDED(bag->Read(L"FriendlyName", &friendly, nullptr)) && friendly.vt == VT_BSTR &&
            name == friendly.bstrVal;
        ::VariantClear(&friendly);
        if (match)
            return moniker->BindToObject(nullptr, nullptr, IID_PPV_ARGS(&camera));
        moniker.Reset();
    }
    return E_FAIL;
}

constexpr UINT kSwitchMessage = WM_APP + 1;

struct Graph {
    ComPtr<IGraphBuilder> graph;
    ComPtr<IMediaControl> control;
};

// Builds and runs camera -> renderer for one camera; an empty graph on failure.
Graph BuildAndRun(const GUID& clsid, const Mode& mode = {}, const std::wstring& name = {}) {
    Graph result;
    ComPtr<ICaptureGraphBuilder2> builder;
    ComPtr<IBaseFilter> camera;
    HRESULT hr = ::CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                    IID_PPV_ARGS(&result.graph));
    if (SUCCEEDED(hr))
        hr = ::CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(&builder));
    if (SUCCEEDED(hr))
        hr = builder->SetFiltergraph(result.graph.Get());
    if (SUCCEEDED(hr))
        hr = name.empty()
                 ? ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&camera))
                 : CameraByName(name, camera);
    if (SUCCEEDED(hr))
        hr = result.graph->AddFilter(camera.Get(), L"Test Pattern Camera");
    if (SUCCEEDED(hr) && mode.width > 0)
        hr = SetMode(builder.Get(), camera.Get(), mode);
    if (SUCCEEDED(hr))
        hr = builder->RenderStream(&PIN_CATEGORY_PREVIEW, &MEDIATYPE_Video, camera.Get(), nullptr,
                                   nullptr);
    if (SUCCEEDED(hr))
        hr = result.graph.As(&result.control);
    if (SUCCEEDED(hr))
        hr = result.control->Run();
    if (FAILED(hr))
        return {};
    return result;
}

// Stops the graph and lets every filter go (the renderer's window with it).
void TearDown(Graph& graph) {
    if (graph.control)
        graph.control->Stop();
    graph = {};
}

// Reads the standard input line by line on its own thread and posts kSwitchMessage to
// the main thread for each "switch". Ends with the input (none at all: at once).
void WatchInput(DWORD mainThread) {
    std::thread([mainThread]() {
        const HANDLE input = ::GetStdHandle(STD_INPUT_HANDLE);
        char line[64];
        size_t used = 0;
        for (;;) {
            char c = 0;
            DWORD got = 0;
            if (input == nullptr || input == INVALID_HANDLE_VALUE ||
                !::ReadFile(input, &c, 1, &got, nullptr) || got == 0)
                return;
            if (c == '\r')
                continue;
            if (c != '\n') {
                if (used < sizeof(line) - 1)
                    line[used++] = c;
                continue;
            }
            line[used] = 0;
            used = 0;
            if (std::strcmp(line, "switch") == 0)
                ::PostThreadMessageW(mainThread, kSwitchMessage, 0, 0);
        }
    }).detach();
}

int Run(double seconds, const Mode& mode, const std::wstring& name) {
    int current = 0;
    Graph graph = mode.width > 0 ? BuildAndRun(kClsidHdCamera, mode, name)
                                 : BuildAndRun(kClsidCameras[current]);
    if (!graph.control)
        return 1;
    WatchInput(::GetCurrentThreadId());
    const ULONGLONG end = ::GetTickCount64() + static_cast<ULONGLONG>(seconds * 1000);
    while (::GetTickCount64() < end) {
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.hwnd == nullptr && message.message == kSwitchMessage) {
                TearDown(graph);
                current = 1 - current;
                graph = BuildAndRun(kClsidCameras[current]);
                if (!graph.control)
                    return 1;
                continue;
            }
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    }
    TearDown(graph);
    return 0;
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
    double seconds = 60.0;
    Mode mode;
    std::wstring name;
    if (commandLine != nullptr && *commandLine != 0) {
        wchar_t* next = commandLine;
        seconds = std::wcstod(next, &next);
        mode.width = std::wcstol(next, &next, 10);
        mode.height = std::wcstol(next, &next, 10);
        mode.fps = std::wcstod(next, &next);
        if (mode.width <= 0 || mode.height <= 0 || mode.fps <= 0)
            mode = {};
        while (*next == L' ')
            ++next;
        name = next;
        // A name with blanks comes quoted on the command line.
        if (name.size() >= 2 && name.front() == L'"' && name.back() == L'"')
            name = name.substr(1, name.size() - 2);
    }
    if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)))
        return 2;
    const int result = Run(seconds > 0 ? seconds : 60.0, mode, name);
    ::CoUninitialize();
    return result;
}
