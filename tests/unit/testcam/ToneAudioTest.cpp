// The test tone microphone's modes, tone and media types.
#include <gtest/gtest.h>

#include "MediaTypes.h"
#include "ToneAudio.h"

#include <mmreg.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <vector>

using namespace testcam;

namespace {

TEST(ToneAudio, ModesAndBufferSizes) {
    struct Case {
        AudioMode mode;
        int32_t samples;
        int32_t bytes;
    };
    const Case cases[] = {
        {{44100, 1}, 882, 1764},
        {{44100, 2}, 882, 3528},
        {{48000, 1}, 960, 1920},
        {{48000, 2}, 960, 3840},
    };
    ASSERT_EQ(OfferedAudioModes().size(), std::size(cases));
    for (const Case& c : cases) {
        EXPECT_EQ(SamplesPerBuffer(c.mode), c.samples);
        EXPECT_EQ(BufferBytes(c.mode), c.bytes);
        EXPECT_EQ(FindAudioMode(c.mode.sampleRate, c.mode.channels, 16), c.mode);
    }
    EXPECT_EQ(FindAudioMode(44100, 1, 8), std::nullopt);
    EXPECT_EQ(FindAudioMode(22050, 1, 16), std::nullopt);
    EXPECT_EQ(FindAudioMode(48000, 6, 16), std::nullopt);
}

TEST(ToneAudio, ToneIsAContinuousOneKilohertzSine) {
    for (const AudioMode& mode : OfferedAudioModes()) {
        const int32_t count = SamplesPerBuffer(mode);
        std::vector<int16_t> previous(static_cast<size_t>(count * mode.channels));
        std::vector<int16_t> buffer(previous.size());
        RenderTone(mode, 6, previous.data());
        RenderTone(mode, 7, buffer.data());
        // Across the buffer boundary the next sample follows the sine exactly.
        const int64_t first = int64_t{7} * count;
        const double expected =
            kToneAmplitude * std::sin(2 * 3.14159265358979 * kToneFrequency *
                                      static_cast<double>(first) / mode.sampleRate);
        EXPECT_LE(std::abs(buffer[0] - expected), 1.0) << mode.sampleRate;
        EXPECT_EQ(previous[static_cast<size_t>((count - 1) * mode.channels)],
                  ToneSample(mode, first - 1));
        int peak = 0;
        for (int32_t i = 0; i < count; ++i) {
            for (int32_t channel = 1; channel < mode.channels; ++channel)
                EXPECT_EQ(buffer[static_cast<size_t>(i * mode.channels + channel)],
                          buffer[static_cast<size_t>(i * mode.channels)]);
            peak = std::max(peak, std::abs(int{buffer[static_cast<size_t>(i * mode.channels)]}));
        }
        EXPECT_NEAR(peak, kToneAmplitude, 20);
    }
    EXPECT_EQ(ToneSample(DefaultAudioMode(), 0), 0);
    // One period later (44.1 samples on average) the phase repeats exactly after 441.
    EXPECT_EQ(ToneSample({44100, 1}, 441 * 1000 + 17), ToneSample({44100, 1}, 17));
}

TEST(ToneAudio, MediaTypesRoundTripAndRefuseOtherFormats) {
    for (const AudioMode& mode : OfferedAudioModes()) {
        const MediaType type = MakeAudioMediaType(mode);
        ASSERT_TRUE(type.Valid());
        EXPECT_EQ(AudioModeFromMediaType(type.Get()), mode);
        const AUDIO_STREAM_CONFIG_CAPS caps = MakeAudioStreamCaps(mode);
        EXPECT_EQ(caps.MaximumSampleFrequency, static_cast<ULONG>(mode.sampleRate));
        EXPECT_EQ(caps.MinimumChannels, static_cast<ULONG>(mode.channels));
    }
    MediaType type = MakeAudioMediaType(DefaultAudioMode());
    auto* wave = reinterpret_cast<WAVEFORMATEX*>(type.Get().pbFormat);
    wave->nBlockAlign = 4; // inconsistent with mono 16-bit
    EXPECT_EQ(AudioModeFromMediaType(type.Get()), std::nullopt);
    wave->nBlockAlign = 2;
    wave->wFormatTag = WAVE_FORMAT_IEEE_FLOAT;
    EXPECT_EQ(AudioModeFromMediaType(type.Get()), std::nullopt);
    const MediaType video = MakeMediaType(DefaultMode(DeviceKind::PatternCamera));
    EXPECT_EQ(AudioModeFromMediaType(video.Get()), std::nullopt);
    EXPECT_FALSE(
        MatchesRequest(MakeAudioMediaType({48000, 2}).Get(), MakeAudioMediaType({48000, 1}).Get()));
    EXPECT_TRUE(
        MatchesRequest(MakeAudioMediaType({48000, 2}).Get(), MakeAudioMediaType({48000, 2}).Get()));
}

} // namespace
