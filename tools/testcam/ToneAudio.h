// The sound the test tone microphone records: a 1 kHz sine at a quarter of full scale,
// 16-bit PCM, mono or stereo (both channels equal), at 44.1 or 48 kHz, in buffers of
// 20 ms. The phase follows the absolute sample number, so the tone is continuous across
// buffers and a test can predict every sample. Plain data and plain functions.
#pragma once

#include "VideoModes.h"

#include <cstdint>
#include <optional>
#include <span>

namespace testcam {

struct AudioMode {
    int32_t sampleRate = 44100;
    int32_t channels = 1;
};

bool operator==(const AudioMode& a, const AudioMode& b);

inline constexpr int kAudioBitsPerSample = 16;
inline constexpr int32_t kToneFrequency = 1000;
inline constexpr int16_t kToneAmplitude = 8192;
// Buffers per second: one buffer is 20 ms.
inline constexpr FrameRate kAudioBufferRate{50, 1};

// 44.1 kHz and 48 kHz, each mono and stereo.
std::span<const AudioMode> OfferedAudioModes();
AudioMode DefaultAudioMode(); // 44.1 kHz mono

int32_t SamplesPerBuffer(const AudioMode& mode);
int32_t BufferBytes(const AudioMode& mode);
// The offered mode with these parameters, or nothing.
std::optional<AudioMode> FindAudioMode(int32_t sampleRate, int32_t channels, int32_t bits);

// The value of sample `sampleNumber` (counted from the start of the stream).
int16_t ToneSample(const AudioMode& mode, int64_t sampleNumber);
// Fills buffer `bufferIndex`: SamplesPerBuffer(mode) samples, channels interleaved.
void RenderTone(const AudioMode& mode, int64_t bufferIndex, int16_t* samples);

} // namespace testcam
