// Platform identifiers that the toolchains' headers do not all provide as usable
// symbols (the sample grabber and the null renderer of the media graph services).
#pragma once

#include <windows.h>
#include <dshow.h>

namespace tb {

// {C1F400A0-3F08-11D3-9F0B-006008039E37}
constexpr GUID kClsidSampleGrabber = {
    0xC1F400A0, 0x3F08, 0x11D3, {0x9F, 0x0B, 0x00, 0x60, 0x08, 0x03, 0x9E, 0x37}};
// {C1F400A4-3F08-11D3-9F0B-006008039E37}
constexpr GUID kClsidNullRenderer = {
    0xC1F400A4, 0x3F08, 0x11D3, {0x9F, 0x0B, 0x00, 0x60, 0x08, 0x03, 0x9E, 0x37}};

} // namespace tb
