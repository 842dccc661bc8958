// Reading and applying the video mode.
#include "capture/VideoCapture.h"

namespace tb {

// Reads the mode from the capture pin, or from the DV decoder for DV (not built yet:
// the cleared record).
void TVideoCapture::GetVideoFormat(VideoFormat& format) {
    format = VideoFormat{};
}

// Writes the mode into the pin's format and rebuilds the graph (not built yet).
bool TVideoCapture::SetVideoFormat(const VideoFormat&) {
    return false;
}

std::int32_t TVideoCapture::VideoWidth() {
    VideoFormat format;
    GetVideoFormat(format);
    return format.Width;
}

void TVideoCapture::SetVideoWidth(std::int32_t width) {
    VideoFormat format;
    GetVideoFormat(format);
    format.Width = width;
    SetVideoFormat(format);
}

std::int32_t TVideoCapture::VideoHeight() {
    VideoFormat format;
    GetVideoFormat(format);
    return format.Height;
}

void TVideoCapture::SetVideoHeight(std::int32_t height) {
    VideoFormat format;
    GetVideoFormat(format);
    format.Height = height;
    SetVideoFormat(format);
}

double TVideoCapture::VideoFrameRate() {
    VideoFormat format;
    GetVideoFormat(format);
    return format.FrameRate;
}

void TVideoCapture::GetVideoFormatParts(std::int32_t& width, std::int32_t& height,
                                        double& frameRate, std::uint8_t& bitCount) {
    VideoFormat format;
    GetVideoFormat(format);
    width = format.Width;
    height = format.Height;
    frameRate = format.FrameRate;
    bitCount = static_cast<std::uint8_t>(format.BitCount & 0xFF);
}

// The one-line display text of the current mode (not built yet).
std::wstring TVideoCapture::VideoFormatText() {
    return {};
}

// The short name of a subtype from the subtype table (not built yet: leaves the text).
void TVideoCapture::SubtypeShortName(const GUID&, std::wstring&) {}

} // namespace tb
