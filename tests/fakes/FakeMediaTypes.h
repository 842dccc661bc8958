// Media-type records for the fakes: a plain owning copy, conversion to and from the
// platform's AM_MEDIA_TYPE (format blocks in task memory, as the platform hands them
// out), and a video-info type built from its size, depth and frame time.
#pragma once

#include <windows.h>
#include <dshow.h>

#include <string>
#include <vector>

namespace tbfake {

struct TFakeMediaType {
    GUID majorType = GUID_NULL;
    GUID subtype = GUID_NULL;
    GUID formatType = GUID_NULL;
    ULONG sampleSize = 0;
    std::vector<BYTE> format;
};

TFakeMediaType VideoInfoType(REFGUID subtype, long width, long height, WORD bitCount,
                             REFERENCE_TIME frameTime = 333333);
TFakeMediaType CopyOf(const AM_MEDIA_TYPE& type);
// Fills the record; the format block is in task memory (freed as FreeMediaType does).
void FillMediaType(const TFakeMediaType& type, AM_MEDIA_TYPE& target);
// A record in task memory, format block included (freed as DeleteMediaType does).
AM_MEDIA_TYPE* NewTaskMediaType(const TFakeMediaType& type);
// "MEDIASUBTYPE_RGB24 640x480x24" for video-info types, the subtype otherwise.
std::wstring Describe(const TFakeMediaType& type);

} // namespace tbfake
