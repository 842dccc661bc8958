// Per-frame cost of frame grabbing (720x576 unless stated), each line beside its reference measured
// in the same run (see bench/BenchReport.h and docs/performance.md):
//   - the streaming thread: the copy of a requested frame against a memcpy of the same
//     bytes (with the heap allocations it makes per frame, counted), and the whole buffer
//     callback against the bare platform doing the same job (memcpy and the posts);
//   - the user-interface thread: each conversion against a memcpy of one RGB24 frame, and
//     the whole grab (new bitmap, conversion, bitmap gone) at 640x480, 720x576, 1280x720,
//     1920x1080 and 3840x2160 against the bare platform creating a bitmap of the same
//     size, copying the frame into it and deleting it; at 720x576 with its parts.
//   bench_grab.exe [FRAMES]   (default 300 runs per line)
#include "BenchReport.h"

#include "capture/GrabbedFrame.h"
#include "capture/PixelConversion.h"
#include "capture/SampleGrabberCB.h"
#include "framework/Bitmap.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

using namespace tb;
using tbbench::Compare;

namespace {

std::atomic<long long> allocations{0};

} // namespace

// Every heap allocation of the program's own code goes through these: counted.
void* operator new(std::size_t size) {
    ++allocations;
    if (void* block = std::malloc(size == 0 ? 1 : size))
        return block;
    throw std::bad_alloc();
}
void operator delete(void* block) noexcept {
    std::free(block);
}
void operator delete(void* block, std::size_t) noexcept {
    std::free(block);
}

namespace {

constexpr std::int32_t kWidth = 720;
constexpr std::int32_t kHeight = 576;

std::vector<std::uint8_t> Noise(std::size_t bytes) {
    std::vector<std::uint8_t> frame(bytes);
    std::uint32_t state = 12345;
    for (auto& byte : frame) {
        state = state * 1664525u + 1013904223u;
        byte = static_cast<std::uint8_t>(state >> 24);
    }
    return frame;
}

TFrameShape ShapeOf(TFrameLayout layout) {
    TFrameShape shape;
    shape.Layout = layout;
    shape.Width = kWidth;
    shape.Height = kHeight;
    shape.TopDown = layout == TFrameLayout::Yuy2;
    shape.Stride = PaddedStride(layout, kWidth);
    return shape;
}

void Drain() {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    }
}

} // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 300;
    std::printf("frame grabbing, %dx%d, %d runs per line\n", kWidth, kHeight, count);

    const std::vector<std::uint8_t> rgb24 =
        Noise(PaddedStride(TFrameLayout::Rgb24, kWidth) * kHeight);
    std::vector<std::uint8_t> copy(rgb24.size());
    const auto memcpyFrame = [&] { std::memcpy(copy.data(), rgb24.data(), rgb24.size()); };
    const std::string memcpyName = "memcpy of the RGB24 frame";
    const long length = static_cast<long>(rgb24.size());

    // The streaming thread's part: a message-only window stands for the control.
    HWND window = ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                    nullptr, nullptr);
    {
        auto callback = TSampleGrabberCB::Make();
        callback->TargetWindow = window;
        BYTE* frame = const_cast<BYTE*>(rgb24.data());
        callback->CopyFrame(frame, length); // the first frame sizes the buffer
        Compare(
            "stream: copy of a requested frame", memcpyName, "<=1.5", count,
            [&] {
                callback->FrameReady = false;
                callback->CopyFrame(frame, length);
            },
            memcpyFrame);
        // Allocations of the copies alone, the loop itself making none.
        const long long allocationsBefore = allocations.load();
        int copies = 0;
        for (int i = 0; i < count; ++i) {
            callback->FrameReady = false;
            copies += callback->CopyFrame(frame, length) ? 1 : 0;
        }
        const long long made = allocations.load() - allocationsBefore;
        std::printf("stream: %lld heap allocations over %d copies of equal length\n", made, copies);
        std::printf("RESULT|stream: heap allocations per copied frame|%.2f|-|-|-|<=0\n",
                    copies > 0 ? static_cast<double>(made) / copies : 0.0);

        Compare(
            "stream: BufferCB, no request", "bare PostMessage", "<=1.5", count,
            [&] {
                callback->BufferCB(0.0, frame, length);
                Drain();
            },
            [&] {
                ::PostMessageW(window, WM_USER + 3, 0, 0);
                Drain();
            });
        Compare(
            "stream: BufferCB, requested frame", "bare memcpy + 2 PostMessage", "<=1.5", count,
            [&] {
                callback->FrameReady = false;
                callback->GrabRequested = true;
                callback->BufferCB(0.0, frame, length);
                Drain();
            },
            [&] {
                memcpyFrame();
                ::PostMessageW(window, WM_USER + 2, 0, 0);
                ::PostMessageW(window, WM_USER + 3, 0, 0);
                Drain();
            });
        callback->Detach();
    }
    ::DestroyWindow(window);

    // The user-interface thread's part: each conversion into an existing bitmap.
    struct Conversion {
        const char* name;
        TFrameLayout layout;
        TPixelFormat format;
        const char* goal;
    };
    const Conversion conversions[] = {
        {"convert RGB24 -> pf24bit", TFrameLayout::Rgb24, TPixelFormat::pf24bit, "<=1.3"},
        {"convert RGB24 -> pf8bit (grey)", TFrameLayout::Rgb24, TPixelFormat::pf8bit, "<=4"},
        {"convert RGB24 -> pf32bit", TFrameLayout::Rgb24, TPixelFormat::pf32bit, "<=3"},
        {"convert RGB32 -> pf24bit", TFrameLayout::Rgb32, TPixelFormat::pf24bit, "<=3"},
        {"convert RGB565 -> pf24bit", TFrameLayout::Rgb565, TPixelFormat::pf24bit, "<=5"},
        {"convert RGB555 -> pf24bit", TFrameLayout::Rgb555, TPixelFormat::pf24bit, "<=5"},
        {"convert YUY2 -> pf24bit", TFrameLayout::Yuy2, TPixelFormat::pf24bit, "<=8"},
        {"convert RGB24 -> pf4bit (nearest colour)", TFrameLayout::Rgb24, TPixelFormat::pf4bit,
         "<=30"},
    };
    for (const Conversion& c : conversions) {
        const TFrameShape shape = ShapeOf(c.layout);
        const std::vector<std::uint8_t> frame = Noise(FrameBytes(shape));
        TBitmap target;
        target.Create(kWidth, kHeight, c.format);
        std::uint8_t* top = target.ScanLine(0);
        const std::ptrdiff_t step = target.ScanLine(1) - top;
        Compare(
            c.name, memcpyName, c.goal, count,
            [&] { ConvertFrame(shape, frame, c.format, top, step); }, memcpyFrame);
    }

    // The whole grab at each size, against the bare platform doing the same job: a new
    // 24-bit DIB section, the frame copied into its fresh pixels, the bitmap deleted.
    struct Size {
        std::int32_t width;
        std::int32_t height;
    };
    for (const Size size : {Size{640, 480}, Size{kWidth, kHeight}, Size{1280, 720},
                            Size{1920, 1080}, Size{3840, 2160}}) {
        TFrameShape sized = ShapeOf(TFrameLayout::Rgb24);
        sized.Width = size.width;
        sized.Height = size.height;
        sized.Stride = PaddedStride(TFrameLayout::Rgb24, size.width);
        const std::vector<std::uint8_t> frame = Noise(FrameBytes(sized));
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = size.width;
        info.bmiHeader.biHeight = size.height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 24;
        info.bmiHeader.biCompression = BI_RGB;
        const auto bareBitmap = [&](bool touch) {
            void* bits = nullptr;
            HBITMAP handle = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
            if (touch && bits != nullptr)
                std::memcpy(bits, frame.data(), frame.size());
            ::DeleteObject(handle);
        };
        // As many runs of the large frames as take the time of the small ones, at least 20.
        const std::int64_t pixels = std::int64_t{size.width} * size.height;
        const int runs = static_cast<int>(std::max<std::int64_t>(20, count * 307200 / pixels));
        const std::string label =
            std::to_string(size.width) + "x" + std::to_string(size.height) + ": ";
        Compare(
            "grab " + label + "new bitmap + RGB24 -> pf24bit, freed",
            "bare CreateDIBSection + copy + delete", "<=1.2", runs,
            [&] {
                TBitmap bitmap;
                MakeGrabbedBitmap(sized, frame, TPixelFormat::pf24bit, bitmap);
            },
            [&] { bareBitmap(true); });
        if (size.width != kWidth)
            continue;
        // Where the time goes, at 720x576.
        Compare(
            "grab part: TBitmap Create + free", memcpyName, "-", count,
            [&] {
                TBitmap bitmap;
                bitmap.Create(kWidth, kHeight, TPixelFormat::pf24bit);
            },
            memcpyFrame);
        Compare(
            "platform: CreateDIBSection + DeleteObject", memcpyName, "-", count,
            [&] { bareBitmap(false); }, memcpyFrame);
    }
    return 0;
}
