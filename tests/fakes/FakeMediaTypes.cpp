#include "fakes/FakeMediaTypes.h"

#include "fakes/GuidNames.h"

#include <cstring>

namespace tbfake {

TFakeMediaType VideoInfoType(REFGUID subtype, long width, long height, WORD bitCount,
                             REFERENCE_TIME frameTime) {
    TFakeMediaType type;
    type.majorType = MEDIATYPE_Video;
    type.subtype = subtype;
    type.formatType = FORMAT_VideoInfo;
    VIDEOINFOHEADER info{};
    info.AvgTimePerFrame = frameTime;
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = bitCount;
    info.bmiHeader.biSizeImage = static_cast<DWORD>(width * height * bitCount / 8);
    type.sampleSize = info.bmiHeader.biSizeImage;
    const auto* bytes = reinterpret_cast<const BYTE*>(&info);
    type.format.assign(bytes, bytes + sizeof(info));
    return type;
}

TFakeMediaType CopyOf(const AM_MEDIA_TYPE& type) {
    TFakeMediaType copy;
    copy.majorType = type.majortype;
    copy.subtype = type.subtype;
    copy.formatType = type.formattype;
    copy.sampleSize = type.lSampleSize;
    if (type.pbFormat != nullptr && type.cbFormat > 0)
        copy.format.assign(type.pbFormat, type.pbFormat + type.cbFormat);
    return copy;
}

void FillMediaType(const TFakeMediaType& type, AM_MEDIA_TYPE& target) {
    target = AM_MEDIA_TYPE{};
    target.majortype = type.majorType;
    target.subtype = type.subtype;
    target.formattype = type.formatType;
    target.lSampleSize = type.sampleSize;
    target.bFixedSizeSamples = TRUE;
    if (!type.format.empty()) {
        target.pbFormat = static_cast<BYTE*>(::CoTaskMemAlloc(type.format.size()));
        if (target.pbFormat != nullptr) {
            std::memcpy(target.pbFormat, type.format.data(), type.format.size());
            target.cbFormat = static_cast<ULONG>(type.format.size());
        }
    }
}

AM_MEDIA_TYPE* NewTaskMediaType(const TFakeMediaType& type) {
    auto* record = static_cast<AM_MEDIA_TYPE*>(::CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
    if (record != nullptr)
        FillMediaType(type, *record);
    return record;
}

std::wstring Describe(const TFakeMediaType& type) {
    std::wstring text = GuidName(type.subtype);
    if (type.formatType == FORMAT_VideoInfo && type.format.size() >= sizeof(VIDEOINFOHEADER)) {
        VIDEOINFOHEADER info;
        std::memcpy(&info, type.format.data(), sizeof(info));
        text += L" " + std::to_wstring(info.bmiHeader.biWidth) + L"x" +
                std::to_wstring(info.bmiHeader.biHeight) + L"x" +
                std::to_wstring(info.bmiHeader.biBitCount);
    }
    return text;
}

} // namespace tbfake
