#include "ToneAudio.h"

#include <array>
#include <cmath>

namespace testcam {

namespace {

constexpr std::array<AudioMode, 4> kAudioModes = {{{44100, 1}, {44100, 2}, {48000, 1}, {48000, 2}}};
constexpr double kPi = 3.14159265358979323846;

} // namespace

bool operator==(const AudioMode& a, const AudioMode& b) {
    return a.sampleRate == b.sampleRate && a.channels == b.channels;
}

std::span<const AudioMode> OfferedAudioModes() {
    return kAudioModes;
}

AudioMode DefaultAudioMode() {
    return kAudioModes[0];
}

int32_t SamplesPerBuffer(const AudioMode& mode) {
    return mode.sampleRate * kAudioBufferRate.denominator / kAudioBufferRate.numerator;
}

int32_t BufferBytes(const AudioMode& mode) {
    return SamplesPerBuffer(mode) * mode.channels * (kAudioBitsPerSample / 8);
}

std::optional<AudioMode> FindAudioMode(int32_t sampleRate, int32_t channels, int32_t bits) {
    if (bits != kAudioBitsPerSample)
        return std::nullopt;
    for (const AudioMode& mode : kAudioModes)
        if (mode.sampleRate == sampleRate && mode.channels == channels)
            return mode;
    return std::nullopt;
}

int16_t ToneSample(const AudioMode& mode, int64_t sampleNumber) {
    // The phase as an exact fraction of a period: (f * n mod rate) / rate.
    const int64_t phase = (kToneFrequency * (sampleNumber % mode.sampleRate)) % mode.sampleRate;
    const double angle = 2.0 * kPi * static_cast<double>(phase) / mode.sampleRate;
    return static_cast<int16_t>(std::lround(kToneAmplitude * std::sin(angle)));
}

void RenderTone(const AudioMode& mode, int64_t bufferIndex, int16_t* samples) {
    const int32_t count = SamplesPerBuffer(mode);
    const int64_t first = bufferIndex * count;
    for (int32_t i = 0; i < count; ++i) {
        const int16_t value = ToneSample(mode, first + i);
        for (int32_t channel = 0; channel < mode.channels; ++channel)
            samples[i * mode.channels + channel] = value;
    }
}

} // namespace testcam
