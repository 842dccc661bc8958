// Media identifiers and format blocks read from the fuzzer's bytes, for the targets that
// stand where a device's media type or a stored video mode enters the program.
#pragma once

#include <dshow.h>
#include <dvdmedia.h>
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

namespace tb::fuzz {

// Mostly an identifier the program knows (so that the fuzzer reaches what lies behind
// the comparisons), sometimes any 16 bytes.
inline GUID Identifier(FuzzedDataProvider& in) {
    const std::array<const GUID*, 13> known = {
        &MEDIASUBTYPE_RGB1,   &MEDIASUBTYPE_RGB4,  &MEDIASUBTYPE_RGB8,  &MEDIASUBTYPE_RGB555,
        &MEDIASUBTYPE_RGB565, &MEDIASUBTYPE_RGB24, &MEDIASUBTYPE_RGB32, &MEDIASUBTYPE_ARGB32,
        &MEDIASUBTYPE_YUY2,   &MEDIASUBTYPE_YUYV,  &FORMAT_VideoInfo,   &FORMAT_VideoInfo2,
        &FORMAT_None};
    const std::size_t pick = in.ConsumeIntegralInRange<std::size_t>(0, known.size());
    if (pick < known.size())
        return *known[pick];
    GUID any{};
    const std::vector<std::uint8_t> bytes = in.ConsumeBytes<std::uint8_t>(sizeof any);
    std::copy(bytes.begin(), bytes.end(), reinterpret_cast<std::uint8_t*>(&any));
    return any;
}

// A media type as a pin reports it: its identifiers, and a format block of the length
// the fuzzer gives, whose bytes it gives too (the block lives in `block`).
inline AM_MEDIA_TYPE MediaType(FuzzedDataProvider& in, std::vector<BYTE>& block) {
    AM_MEDIA_TYPE type{};
    type.majortype = MEDIATYPE_Video;
    type.subtype = Identifier(in);
    type.formattype = Identifier(in);
    type.lSampleSize = in.ConsumeIntegral<ULONG>();
    block.assign(in.ConsumeIntegralInRange<std::size_t>(0, 2048), 0);
    const std::vector<BYTE> bytes = in.ConsumeBytes<BYTE>(block.size());
    std::copy(bytes.begin(), bytes.end(), block.begin());
    type.cbFormat = static_cast<ULONG>(block.size());
    type.pbFormat = block.empty() ? nullptr : block.data();
    return type;
}

} // namespace tb::fuzz
