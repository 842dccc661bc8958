// Reading and applying the video mode: from and to the capture pin's stream
// configuration, or from the DV decoder for a DV source.
#include "capture/VideoCapture.h"

#include "capture/FormatBlock.h"
#include "capture/FormatText.h"
#include "media/MediaType.h"

#include <optional>

namespace tb {

// The mode the pin currently reports, or for a DV source the frame size the decoder
// delivers; fields that the source does not supply stay zero.
void TVideoCapture::GetVideoFormat(VideoFormat& format) {
    format = VideoFormat{};
    if (!IsDVStream()) {
        if (!graph_.VideoStreamConfig)
            return;
        UniqueMediaType type(*platform_);
        if (FAILED(graph_.VideoStreamConfig->GetFormat(type.Put())) || !type)
            return;
        format = ReadVideoFormat(*type.Get());
        return;
    }

    if (!graph_.FilterGraph || !graph_.DvDecoder)
        return;
    ComPtr<IIPDVDec> decoder;
    if (FAILED(graph_.DvDecoder.As(&decoder)))
        return;
    int displayCode = 0;
    if (FAILED(decoder->get_IPDisplay(&displayCode)))
        return;
    if (const std::optional<TDVFrameSize> size = DVFrameSize(displayCode)) {
        format.Width = size->Width;
        format.Height = size->Height;
        format.BitCount = size->BitCount;
    }
}

// Writes the mode into the format the pin reports and hands it back to the pin, then
// builds the graph again. A DV source's mode is not changed this way. A rate of 0 keeps
// the device's own frame time (see WriteVideoFormat). A mode the pin refuses, or one
// that cannot be written, leaves the device's previous mode in place; the graph is
// rebuilt all the same.
bool TVideoCapture::SetVideoFormat(const VideoFormat& format) {
    if (IsDVStream())
        return true;
    StopPreview();
    TearDownGraph();
    if (graph_.VideoStreamConfig) {
        UniqueMediaType type(*platform_);
        if (SUCCEEDED(graph_.VideoStreamConfig->GetFormat(type.Put())) && type &&
            WriteVideoFormat(format, *type.Get()))
            graph_.VideoStreamConfig->SetFormat(type.Get());
    }
    const bool built = BuildGraph();
    if (built && preview_)
        StartPreview();
    if (built)
        Fire(OnChangeVideoMode);
    return built;
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

// "640×480; 30.000; YUY2 (16)" for the current mode, with the user's decimal separator.
std::wstring TVideoCapture::VideoFormatText() {
    VideoFormat format;
    GetVideoFormat(format);
    return tb::VideoFormatText(format, UserDecimalSeparator());
}

// The short name of a common subtype; an unknown subtype leaves the text as it was.
void TVideoCapture::SubtypeShortName(const GUID& subtype, std::wstring& name) {
    if (const wchar_t* shortName = FindSubtypeShortName(subtype))
        name = shortName;
}

} // namespace tb
