#include "MediaTypes.h"

#include <dvdmedia.h>
#include <mmreg.h>

#include <algorithm>
#include <cstring>

namespace testcam {

namespace {

const GUID& SubtypeOf(PixelLayout layout) {
    return layout == PixelLayout::Rgb24 ? MEDIASUBTYPE_RGB24 : MEDIASUBTYPE_YUY2;
}

const BITMAPINFOHEADER* HeaderOf(const AM_MEDIA_TYPE& type, int64_t* duration) {
    if (type.pbFormat == nullptr)
        return nullptr;
    if (type.formattype == FORMAT_VideoInfo && type.cbFormat >= sizeof(VIDEOINFOHEADER)) {
        const auto* info = reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat);
        *duration = info->AvgTimePerFrame;
        return &info->bmiHeader;
    }
    if (type.formattype == FORMAT_VideoInfo2 && type.cbFormat >= sizeof(VIDEOINFOHEADER2)) {
        const auto* info = reinterpret_cast<const VIDEOINFOHEADER2*>(type.pbFormat);
        *duration = info->AvgTimePerFrame;
        return &info->bmiHeader;
    }
    return nullptr;
}

} // namespace

MediaType::MediaType() = default;

MediaType::MediaType(const AM_MEDIA_TYPE& other) {
    valid_ = CopyMediaType(type_, other);
}

MediaType::MediaType(const MediaType& other) {
    if (other.valid_)
        valid_ = CopyMediaType(type_, other.type_);
}

MediaType& MediaType::operator=(const MediaType& other) {
    if (this != &other) {
        Reset();
        if (other.valid_)
            valid_ = CopyMediaType(type_, other.type_);
    }
    return *this;
}

MediaType::~MediaType() {
    Reset();
}

void MediaType::Reset() {
    FreeMediaTypeFields(type_);
    type_ = AM_MEDIA_TYPE{};
    valid_ = false;
}

AM_MEDIA_TYPE* MediaType::NewTaskMemCopy() const {
    auto* copy = static_cast<AM_MEDIA_TYPE*>(::CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
    if (copy == nullptr)
        return nullptr;
    if (!CopyMediaType(*copy, type_)) {
        ::CoTaskMemFree(copy);
        return nullptr;
    }
    return copy;
}

void FreeMediaTypeFields(AM_MEDIA_TYPE& type) {
    if (type.pbFormat != nullptr)
        ::CoTaskMemFree(type.pbFormat);
    type.pbFormat = nullptr;
    type.cbFormat = 0;
    if (type.pUnk != nullptr)
        type.pUnk->Release();
    type.pUnk = nullptr;
}

void DeleteTaskMemMediaType(AM_MEDIA_TYPE* type) {
    if (type == nullptr)
        return;
    FreeMediaTypeFields(*type);
    ::CoTaskMemFree(type);
}

bool CopyMediaType(AM_MEDIA_TYPE& target, const AM_MEDIA_TYPE& source) {
    target = source;
    target.pbFormat = nullptr;
    target.cbFormat = 0;
    if (source.cbFormat != 0 && source.pbFormat != nullptr) {
        target.pbFormat = static_cast<BYTE*>(::CoTaskMemAlloc(source.cbFormat));
        if (target.pbFormat == nullptr) {
            target = AM_MEDIA_TYPE{};
            return false;
        }
        std::memcpy(target.pbFormat, source.pbFormat, source.cbFormat);
        target.cbFormat = source.cbFormat;
    }
    if (target.pUnk != nullptr)
        target.pUnk->AddRef();
    return true;
}

MediaType MakeMediaType(const VideoMode& mode) {
    VIDEOINFOHEADER info{};
    info.AvgTimePerFrame = FrameDuration(mode.rate);
    info.dwBitRate = static_cast<DWORD>(std::min<int64_t>(BitsPerSecond(mode), MAXDWORD));
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = mode.width;
    info.bmiHeader.biHeight = mode.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = static_cast<WORD>(BitCount(mode.layout));
    info.bmiHeader.biCompression =
        mode.layout == PixelLayout::Rgb24 ? BI_RGB : MAKEFOURCC('Y', 'U', 'Y', '2');
    info.bmiHeader.biSizeImage = static_cast<DWORD>(ImageSize(mode));

    AM_MEDIA_TYPE type{};
    type.majortype = MEDIATYPE_Video;
    type.subtype = SubtypeOf(mode.layout);
    type.bFixedSizeSamples = TRUE;
    type.bTemporalCompression = FALSE;
    type.lSampleSize = static_cast<ULONG>(ImageSize(mode));
    type.formattype = FORMAT_VideoInfo;
    type.cbFormat = sizeof(info);
    type.pbFormat = reinterpret_cast<BYTE*>(&info);
    return MediaType(type); // copies the block into task memory
}

VIDEO_STREAM_CONFIG_CAPS MakeStreamCaps(const Capability& capability) {
    const VideoMode& mode = capability.mode;
    const SizeRange& sizes = capability.sizes;
    VIDEO_STREAM_CONFIG_CAPS caps{};
    const SIZE largest{sizes.maxWidth, sizes.maxHeight};
    caps.guid = FORMAT_VideoInfo;
    caps.VideoStandard = 0;
    caps.InputSize = largest;
    caps.MinCroppingSize = largest;
    caps.MaxCroppingSize = largest;
    caps.CropGranularityX = 1;
    caps.CropGranularityY = 1;
    caps.CropAlignX = 1;
    caps.CropAlignY = 1;
    caps.MinOutputSize = SIZE{sizes.minWidth, sizes.minHeight};
    caps.MaxOutputSize = largest;
    caps.OutputGranularityX = sizes.stepX;
    caps.OutputGranularityY = sizes.stepY;
    caps.StretchTapsX = sizes.stepX > 0 ? 2 : 0; // a scaler filters with two taps
    caps.StretchTapsY = sizes.stepY > 0 ? 2 : 0;
    caps.MinFrameInterval = FrameDuration(mode.rate);
    caps.MaxFrameInterval = FrameDuration(mode.rate);
    const auto bitsPerSecond = [&mode](int32_t width, int32_t height) {
        const VideoMode sized{mode.layout, width, height, mode.rate};
        return static_cast<LONG>(std::min<int64_t>(BitsPerSecond(sized), MAXLONG));
    };
    caps.MinBitsPerSecond = bitsPerSecond(sizes.minWidth, sizes.minHeight);
    caps.MaxBitsPerSecond = bitsPerSecond(sizes.maxWidth, sizes.maxHeight);
    return caps;
}

std::optional<VideoMode> ModeFromMediaType(const AM_MEDIA_TYPE& type, FrameRate currentRate) {
    if (type.majortype != MEDIATYPE_Video)
        return std::nullopt;
    int64_t duration = 0;
    const BITMAPINFOHEADER* header = HeaderOf(type, &duration);
    if (header == nullptr)
        return std::nullopt;
    FormatRequest request;
    if (type.subtype == MEDIASUBTYPE_RGB24)
        request.layout = PixelLayout::Rgb24;
    else if (type.subtype == MEDIASUBTYPE_YUY2)
        request.layout = PixelLayout::Yuy2;
    request.width = header->biWidth;
    request.height = header->biHeight;
    request.bitCount = header->biBitCount;
    request.frameDuration = duration;
    return DescribedMode(request, currentRate);
}

std::optional<VideoMode> OfferedModeFromMediaType(DeviceKind device, const AM_MEDIA_TYPE& type,
                                                  FrameRate currentRate) {
    const std::optional<VideoMode> mode = ModeFromMediaType(type, currentRate);
    if (!mode || CapabilityIndex(Capabilities(device), *mode) < 0)
        return std::nullopt;
    return mode;
}

bool SameMediaType(const AM_MEDIA_TYPE& a, const AM_MEDIA_TYPE& b) {
    if (a.majortype != b.majortype || a.subtype != b.subtype || a.formattype != b.formattype ||
        a.cbFormat != b.cbFormat)
        return false;
    return a.cbFormat == 0 || (a.pbFormat != nullptr && b.pbFormat != nullptr &&
                               std::memcmp(a.pbFormat, b.pbFormat, a.cbFormat) == 0);
}

MediaType MakeAudioMediaType(const AudioMode& mode) {
    WAVEFORMATEX wave{};
    wave.wFormatTag = WAVE_FORMAT_PCM;
    wave.nChannels = static_cast<WORD>(mode.channels);
    wave.nSamplesPerSec = static_cast<DWORD>(mode.sampleRate);
    wave.wBitsPerSample = kAudioBitsPerSample;
    wave.nBlockAlign = static_cast<WORD>(mode.channels * kAudioBitsPerSample / 8);
    wave.nAvgBytesPerSec = wave.nSamplesPerSec * wave.nBlockAlign;
    wave.cbSize = 0;

    AM_MEDIA_TYPE type{};
    type.majortype = MEDIATYPE_Audio;
    type.subtype = MEDIASUBTYPE_PCM;
    type.bFixedSizeSamples = TRUE;
    type.lSampleSize = wave.nBlockAlign;
    type.formattype = FORMAT_WaveFormatEx;
    type.cbFormat = sizeof(wave);
    type.pbFormat = reinterpret_cast<BYTE*>(&wave);
    return MediaType(type);
}

AUDIO_STREAM_CONFIG_CAPS MakeAudioStreamCaps(const AudioMode& mode) {
    AUDIO_STREAM_CONFIG_CAPS caps{};
    caps.guid = MEDIATYPE_Audio;
    caps.MinimumChannels = static_cast<ULONG>(mode.channels);
    caps.MaximumChannels = static_cast<ULONG>(mode.channels);
    caps.ChannelsGranularity = 1;
    caps.MinimumBitsPerSample = kAudioBitsPerSample;
    caps.MaximumBitsPerSample = kAudioBitsPerSample;
    caps.BitsPerSampleGranularity = 8;
    caps.MinimumSampleFrequency = static_cast<ULONG>(mode.sampleRate);
    caps.MaximumSampleFrequency = static_cast<ULONG>(mode.sampleRate);
    caps.SampleFrequencyGranularity = 1;
    return caps;
}

std::optional<AudioMode> AudioModeFromMediaType(const AM_MEDIA_TYPE& type) {
    if (type.majortype != MEDIATYPE_Audio || type.subtype != MEDIASUBTYPE_PCM ||
        type.formattype != FORMAT_WaveFormatEx || type.pbFormat == nullptr ||
        type.cbFormat < sizeof(PCMWAVEFORMAT))
        return std::nullopt;
    const auto* wave = reinterpret_cast<const WAVEFORMATEX*>(type.pbFormat);
    if (wave->wFormatTag != WAVE_FORMAT_PCM ||
        wave->nBlockAlign != wave->nChannels * wave->wBitsPerSample / 8)
        return std::nullopt;
    return FindAudioMode(static_cast<int32_t>(wave->nSamplesPerSec), wave->nChannels,
                         wave->wBitsPerSample);
}

bool MatchesRequest(const AM_MEDIA_TYPE& offered, const AM_MEDIA_TYPE& request) {
    if (request.majortype != GUID_NULL && request.majortype != offered.majortype)
        return false;
    if (request.subtype != GUID_NULL && request.subtype != offered.subtype)
        return false;
    if (request.formattype == GUID_NULL)
        return true;
    if (request.formattype != offered.formattype)
        return false;
    if (request.pbFormat == nullptr || request.cbFormat == 0)
        return true;
    if (offered.majortype == MEDIATYPE_Audio) {
        const std::optional<AudioMode> mine = AudioModeFromMediaType(offered);
        const std::optional<AudioMode> wanted = AudioModeFromMediaType(request);
        return mine && wanted && *mine == *wanted;
    }
    const FrameRate anyRate{};
    const std::optional<VideoMode> mine = ModeFromMediaType(offered, anyRate);
    const std::optional<VideoMode> wanted = ModeFromMediaType(request, mine ? mine->rate : anyRate);
    return mine && wanted && *mine == *wanted;
}

} // namespace testcam
