#include "StreamFormats.h"

#include <cstring>
#include <new>
#include <optional>
#include <vector>

namespace testcam {

namespace {

class PatternSampleRenderer final : public SampleRenderer {
public:
    explicit PatternSampleRenderer(const VideoMode& mode) : renderer_(mode) {}
    FrameRate Rate() const override { return renderer_.Mode().rate; }
    int32_t Size() const override { return ImageSize(renderer_.Mode()); }
    void Render(int64_t index, const PatternOptions& options, uint8_t* buffer) const override {
        renderer_.Render(index, options, buffer);
    }

private:
    PatternRenderer renderer_;
};

class VideoFormat final : public StreamFormat {
public:
    explicit VideoFormat(DeviceKind device) : device_(device), mode_(DefaultMode(device)) {}
    const GUID& MajorType() const override { return MEDIATYPE_Video; }
    MediaType Current() const override { return MakeMediaType(mode_); }
    MediaType Normalise(const AM_MEDIA_TYPE& type) const override {
        const std::optional<VideoMode> mode = OfferedModeFromMediaType(device_, type, mode_.rate);
        return mode ? MakeMediaType(*mode) : MediaType();
    }
    void Select(const AM_MEDIA_TYPE& normalised) override {
        if (const std::optional<VideoMode> mode =
                OfferedModeFromMediaType(device_, normalised, mode_.rate))
            mode_ = *mode;
    }
    long SampleBytes(const AM_MEDIA_TYPE& normalised) const override {
        const std::optional<VideoMode> mode =
            OfferedModeFromMediaType(device_, normalised, mode_.rate);
        return mode ? ImageSize(*mode) : 0;
    }
    int CapabilityCount() const override { return static_cast<int>(Capabilities(device_).size()); }
    int CapabilitySize() const override { return sizeof(VIDEO_STREAM_CONFIG_CAPS); }
    MediaType Capability(int index, BYTE* caps) const override {
        const testcam::Capability& capability = Capabilities(device_)[static_cast<size_t>(index)];
        const VIDEO_STREAM_CONFIG_CAPS record = MakeStreamCaps(capability);
        std::memcpy(caps, &record, sizeof(record));
        return MakeMediaType(capability.mode);
    }
    std::unique_ptr<SampleRenderer> MakeRenderer() const override {
        return std::unique_ptr<SampleRenderer>(new (std::nothrow) PatternSampleRenderer(mode_));
    }

private:
    DeviceKind device_;
    VideoMode mode_;
};

class ToneSampleRenderer final : public SampleRenderer {
public:
    explicit ToneSampleRenderer(const AudioMode& mode) : mode_(mode) {}
    FrameRate Rate() const override { return kAudioBufferRate; }
    int32_t Size() const override { return BufferBytes(mode_); }
    void Render(int64_t index, const PatternOptions&, uint8_t* buffer) const override {
        // Allocators promise no alignment: render into our own samples and copy.
        samples_.resize(static_cast<size_t>(Size()) / sizeof(int16_t));
        RenderTone(mode_, index, samples_.data());
        std::memcpy(buffer, samples_.data(), static_cast<size_t>(Size()));
    }

private:
    AudioMode mode_;
    mutable std::vector<int16_t> samples_;
};

class AudioFormat final : public StreamFormat {
public:
    const GUID& MajorType() const override { return MEDIATYPE_Audio; }
    MediaType Current() const override { return MakeAudioMediaType(mode_); }
    MediaType Normalise(const AM_MEDIA_TYPE& type) const override {
        const std::optional<AudioMode> mode = AudioModeFromMediaType(type);
        return mode ? MakeAudioMediaType(*mode) : MediaType();
    }
    void Select(const AM_MEDIA_TYPE& normalised) override {
        if (const std::optional<AudioMode> mode = AudioModeFromMediaType(normalised))
            mode_ = *mode;
    }
    long SampleBytes(const AM_MEDIA_TYPE& normalised) const override {
        const std::optional<AudioMode> mode = AudioModeFromMediaType(normalised);
        return mode ? BufferBytes(*mode) : 0;
    }
    int CapabilityCount() const override { return static_cast<int>(OfferedAudioModes().size()); }
    int CapabilitySize() const override { return sizeof(AUDIO_STREAM_CONFIG_CAPS); }
    MediaType Capability(int index, BYTE* caps) const override {
        const AudioMode& mode = OfferedAudioModes()[static_cast<size_t>(index)];
        const AUDIO_STREAM_CONFIG_CAPS record = MakeAudioStreamCaps(mode);
        std::memcpy(caps, &record, sizeof(record));
        return MakeAudioMediaType(mode);
    }
    std::unique_ptr<SampleRenderer> MakeRenderer() const override {
        return std::unique_ptr<SampleRenderer>(new (std::nothrow) ToneSampleRenderer(mode_));
    }

private:
    AudioMode mode_ = DefaultAudioMode();
};

} // namespace

std::unique_ptr<StreamFormat> MakeVideoFormat(DeviceKind device) {
    return std::unique_ptr<StreamFormat>(new (std::nothrow) VideoFormat(device));
}

std::unique_ptr<StreamFormat> MakeAudioFormat() {
    return std::unique_ptr<StreamFormat>(new (std::nothrow) AudioFormat());
}

} // namespace testcam
