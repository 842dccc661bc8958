// Plain helpers of the graph construction: what the sample grabber is told to accept.
#pragma once

#include "framework/PixelFormat.h"

#include <windows.h>
#include <dshow.h>

namespace tb {

// The RGB subtype the grabber requires for a pixel format (RGB24 for pf24bit, pfCustom
// and pfDevice; pfDevice itself sets no requirement at all).
const GUID& GrabberSubtype(TPixelFormat format);
// The grabber's required media type: video, FORMAT_VideoInfo, the subtype above, every
// other field zero (no format block).
AM_MEDIA_TYPE GrabberMediaType(TPixelFormat format);

} // namespace tb
