// The native build's stand-in for the platform header: the plain types of the Windows
// ABI that the plain-data core reads (fixed-width, with the Windows layouts) and the few
// platform questions it asks, answered the Linux way. Only the native build
// (tests/native) puts this directory on its include path; the Windows builds use the
// real header.
#pragma once

#include <cstdint>
#include <cstring>

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using LONG = std::int32_t;
using ULONG = std::uint32_t;
using BOOL = int;
using LONGLONG = std::int64_t;
using LCTYPE = DWORD;
using UINT = unsigned int;

struct GUID {
    std::uint32_t Data1;
    std::uint16_t Data2;
    std::uint16_t Data3;
    std::uint8_t Data4[8];
};
using REFGUID = const GUID&;
extern const GUID GUID_NULL;
inline bool operator==(const GUID& a, const GUID& b) {
    return std::memcmp(&a, &b, sizeof(GUID)) == 0;
}
inline bool operator!=(const GUID& a, const GUID& b) {
    return !(a == b);
}

struct RECT {
    LONG left, top, right, bottom;
};

struct RGBQUAD {
    BYTE rgbBlue, rgbGreen, rgbRed, rgbReserved;
};

struct BITMAPINFOHEADER {
    DWORD biSize;
    LONG biWidth;
    LONG biHeight;
    WORD biPlanes;
    WORD biBitCount;
    DWORD biCompression;
    DWORD biSizeImage;
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;
    DWORD biClrImportant;
};
static_assert(sizeof(GUID) == 16 && sizeof(RECT) == 16 && sizeof(BITMAPINFOHEADER) == 40);

// Processor features: SSSE3 (36) and AVX2 (40), from the processor and the system's
// support for the wider registers, as the platform answers.
BOOL IsProcessorFeaturePresent(DWORD feature);

// Text conversions with the platform's calling convention (a null output asks for the
// length); ASCII only in the native build.
constexpr UINT CP_UTF8 = 65001;
int MultiByteToWideChar(UINT codePage, DWORD flags, const char* text, int length, wchar_t* wide,
                        int wideLength);
int WideCharToMultiByte(UINT codePage, DWORD flags, const wchar_t* wide, int length, char* text,
                        int textLength, const char* defaultChar, BOOL* usedDefault);

// The user's locale: none is set in the native build.
constexpr const wchar_t* LOCALE_NAME_USER_DEFAULT = nullptr;
constexpr LCTYPE LOCALE_SDECIMAL = 0x0E;
int GetLocaleInfoEx(const wchar_t* locale, LCTYPE type, wchar_t* data, int length);
