// Per-frame cost of frame grabbing at 640x480: what the streaming thread spends in the
// buffer callback (the copy of a requested frame, the posted messages), and what the
// user-interface thread spends turning the copy into a bitmap for each source layout
// and bitmap format. Prints microseconds per frame (median and mean of the runs).
#include "capture/GrabbedFrame.h"
#include "capture/PixelConversion.h"
#include "capture/SampleGrabberCB.h"
#include "framework/Bitmap.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <numeric>
#include <vector>

using namespace tb;

namespace {

constexpr std::int32_t kWidth = 640;
constexpr std::int32_t kHeight = 480;

// Runs `work` `count` times and prints the median and mean in microseconds.
void Measure(const char* name, int count, const std::function<void()>& work) {
    std::vector<double> times;
    times.reserve(static_cast<std::size_t>(count));
    work(); // warm up: first allocations, caches
    for (int i = 0; i < count; ++i) {
        const auto start = std::chrono::steady_clock::now();
        work();
        const auto end = std::chrono::steady_clock::now();
        times.push_back(std::chrono::duration<double, std::micro>(end - start).count());
    }
    std::vector<double> sorted = times;
    std::sort(sorted.begin(), sorted.end());
    const double mean = std::accumulate(times.begin(), times.end(), 0.0) / count;
    std::printf("%-44s median %8.1f us   mean %8.1f us\n", name, sorted[sorted.size() / 2], mean);
}

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

} // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 500;
    std::printf("frame grabbing, %dx%d, %d frames per line\n", kWidth, kHeight, count);

    // The streaming thread's part: a message-only window stands for the control.
    HWND window = ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                    nullptr, nullptr);
    auto callback = TSampleGrabberCB::Make();
    callback->TargetWindow = window;
    std::vector<std::uint8_t> rgb24 = Noise(PaddedStride(TFrameLayout::Rgb24, kWidth) * kHeight);
    const auto drain = [] {
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        }
    };
    Measure("callback, no request (post only)", count, [&] {
        callback->BufferCB(0.0, rgb24.data(), static_cast<long>(rgb24.size()));
        drain();
    });
    Measure("callback, requested RGB24 frame (copy+post)", count, [&] {
        callback->FrameReady = false;
        callback->GrabRequested = true;
        callback->BufferCB(0.0, rgb24.data(), static_cast<long>(rgb24.size()));
        drain();
    });
    callback->Detach();
    callback.Reset();
    ::DestroyWindow(window);

    // The user-interface thread's part.
    struct Conversion {
        const char* name;
        TFrameLayout layout;
        TPixelFormat format;
    };
    const Conversion conversions[] = {
        {"convert RGB24 -> pf24bit (row copy)", TFrameLayout::Rgb24, TPixelFormat::pf24bit},
        {"convert RGB24 -> pf8bit (grey)", TFrameLayout::Rgb24, TPixelFormat::pf8bit},
        {"convert RGB24 -> pf32bit", TFrameLayout::Rgb24, TPixelFormat::pf32bit},
        {"convert RGB32 -> pf24bit", TFrameLayout::Rgb32, TPixelFormat::pf24bit},
        {"convert RGB565 -> pf24bit", TFrameLayout::Rgb565, TPixelFormat::pf24bit},
        {"convert YUY2 -> pf24bit", TFrameLayout::Yuy2, TPixelFormat::pf24bit},
        {"convert RGB24 -> pf4bit (nearest colour)", TFrameLayout::Rgb24, TPixelFormat::pf4bit},
    };
    for (const Conversion& c : conversions) {
        const TFrameShape shape = ShapeOf(c.layout);
        const std::vector<std::uint8_t> frame = Noise(FrameBytes(shape));
        TBitmap target;
        target.Create(kWidth, kHeight, c.format);
        std::uint8_t* top = target.ScanLine(0);
        const std::ptrdiff_t step = target.ScanLine(1) - top;
        Measure(c.name, count, [&] { ConvertFrame(shape, frame, c.format, top, step); });
    }
    {
        const TFrameShape shape = ShapeOf(TFrameLayout::Rgb24);
        Measure("new bitmap + RGB24 -> pf24bit (whole grab)", count, [&] {
            TBitmap bitmap;
            MakeGrabbedBitmap(shape, rgb24, TPixelFormat::pf24bit, bitmap);
        });
    }
    return 0;
}
