// What a source pin streams: the formats it offers and configures, and the renderer that
// fills its samples. The pin's COM logic (connection, allocator, stream configuration,
// streaming thread) is the same for the test camera and the test tone microphone; the
// formats differ.
#pragma once

#include <windows.h>
#include <dshow.h>

#include "MediaTypes.h"
#include "Pattern.h"
#include "ToneAudio.h"
#include "VideoModes.h"

#include <memory>

namespace testcam {

// Fills the samples of one format; used by the streaming thread alone.
class SampleRenderer {
public:
    virtual ~SampleRenderer() = default;
    virtual FrameRate Rate() const = 0; // samples (frames or buffers) per second
    virtual int32_t Size() const = 0;   // bytes of one sample
    virtual void Render(int64_t index, const PatternOptions& options, uint8_t* buffer) const = 0;
};

class StreamFormat {
public:
    virtual ~StreamFormat() = default;
    virtual const GUID& MajorType() const = 0;
    // The configured format.
    virtual MediaType Current() const = 0;
    // The complete media type of the offered format that `type` names (stale sizes
    // recomputed), or an invalid MediaType when it names none.
    virtual MediaType Normalise(const AM_MEDIA_TYPE& type) const = 0;
    // Makes a normalised type the configured format.
    virtual void Select(const AM_MEDIA_TYPE& normalised) = 0;
    // Bytes of one sample (a frame, or an audio buffer) of a normalised type.
    virtual long SampleBytes(const AM_MEDIA_TYPE& normalised) const = 0;
    virtual int CapabilityCount() const = 0;
    virtual int CapabilitySize() const = 0;
    // The media type of capability `index` (0 <= index < count); fills `caps`.
    virtual MediaType Capability(int index, BYTE* caps) const = 0;
    // A renderer of the configured format.
    virtual std::unique_ptr<SampleRenderer> MakeRenderer() const = 0;
};

std::unique_ptr<StreamFormat> MakeVideoFormat(DeviceKind device);
std::unique_ptr<StreamFormat> MakeAudioFormat();

} // namespace testcam
