// Media-type records of the test camera's modes, and their ownership: the format block
// of an AM_MEDIA_TYPE is COM task memory and is freed on every path.
#pragma once

#include <windows.h>
#include <dshow.h>

#include "ToneAudio.h"
#include "VideoModes.h"

#include <optional>

namespace testcam {

// Owns one media type (its format block and object reference).
class MediaType {
public:
    MediaType();
    explicit MediaType(const AM_MEDIA_TYPE& other); // deep copy
    MediaType(const MediaType& other);
    MediaType& operator=(const MediaType& other);
    ~MediaType();

    const AM_MEDIA_TYPE& Get() const { return type_; }
    AM_MEDIA_TYPE& Get() { return type_; }
    bool Valid() const { return valid_; }
    void Reset();
    // A copy in task memory, as GetFormat, GetStreamCaps and the enumerators hand out.
    AM_MEDIA_TYPE* NewTaskMemCopy() const;

private:
    AM_MEDIA_TYPE type_{};
    bool valid_ = false;
};

// Frees what a media type owns (format block, object reference) and clears those fields.
void FreeMediaTypeFields(AM_MEDIA_TYPE& type);
// Frees a task-memory media type and its format block (nothing for null).
void DeleteTaskMemMediaType(AM_MEDIA_TYPE* type);
// Deep copy; false when memory runs out (the target is then left empty).
bool CopyMediaType(AM_MEDIA_TYPE& target, const AM_MEDIA_TYPE& source);

// The complete media type (FORMAT_VideoInfo) of one mode.
MediaType MakeMediaType(const VideoMode& mode);
// The capabilities record of one capability: its rate, and its one size or its size
// range with the output granularity (no cropping).
VIDEO_STREAM_CONFIG_CAPS MakeStreamCaps(const Capability& capability);

// The mode a media type describes (FORMAT_VideoInfo or FORMAT_VideoInfo2), whether or not
// a device offers it, or nothing (see DescribedMode). Stale sample and image sizes are
// ignored: they follow from the mode.
std::optional<VideoMode> ModeFromMediaType(const AM_MEDIA_TYPE& type, FrameRate currentRate);
// The mode of `device` a media type names, or nothing when the device does not offer it.
std::optional<VideoMode> OfferedModeFromMediaType(DeviceKind device, const AM_MEDIA_TYPE& type,
                                                  FrameRate currentRate);

// True when both have the same major type, subtype, format type and format block.
bool SameMediaType(const AM_MEDIA_TYPE& a, const AM_MEDIA_TYPE& b);

// The complete media type (FORMAT_WaveFormatEx, 16-bit PCM) of one audio mode.
MediaType MakeAudioMediaType(const AudioMode& mode);
AUDIO_STREAM_CONFIG_CAPS MakeAudioStreamCaps(const AudioMode& mode);
// The offered audio mode a media type names, or nothing.
std::optional<AudioMode> AudioModeFromMediaType(const AM_MEDIA_TYPE& type);

// True when `offered` satisfies a possibly partial request: null GUIDs in the request
// match anything, and a request's format block, when it has one of the same type, must
// name the same mode.
bool MatchesRequest(const AM_MEDIA_TYPE& offered, const AM_MEDIA_TYPE& request);

} // namespace testcam
