// The platform answers of the native build (see windows.h here): the identifiers with
// the platform's values, the processor's features from the compiler's processor check,
// plain ASCII text conversions, and no user locale.
#include <dshow.h>
#include <windows.h>

#define TB_MEDIA_GUID(name, d1, d2, d3, ...) const GUID name = {d1, d2, d3, {__VA_ARGS__}};
// FOURCC-based identifiers: {XXXXXXXX-0000-0010-8000-00AA00389B71}.
#define TB_FOURCC_GUID(name, fourcc)                                                               \
    TB_MEDIA_GUID(name, fourcc, 0x0000, 0x0010, 0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71)

TB_FOURCC_GUID(MEDIATYPE_Video, 0x73646976)
TB_FOURCC_GUID(MEDIATYPE_Audio, 0x73647561)
TB_FOURCC_GUID(MEDIASUBTYPE_YUY2, 0x32595559)
TB_FOURCC_GUID(MEDIASUBTYPE_YUYV, 0x56595559)
TB_FOURCC_GUID(MEDIASUBTYPE_YVU9, 0x39555659)
TB_FOURCC_GUID(MEDIASUBTYPE_Y411, 0x31313459)
TB_FOURCC_GUID(MEDIASUBTYPE_Y41P, 0x50313459)
TB_FOURCC_GUID(MEDIASUBTYPE_YVYU, 0x55595659)
TB_FOURCC_GUID(MEDIASUBTYPE_UYVY, 0x59565955)
TB_FOURCC_GUID(MEDIASUBTYPE_Y211, 0x31313259)
TB_FOURCC_GUID(MEDIASUBTYPE_dvsd, 0x64737664)
TB_FOURCC_GUID(MEDIASUBTYPE_MJPG, 0x47504a4d)
#define TB_RGB_GUID(name, d1)                                                                      \
    TB_MEDIA_GUID(name, d1, 0x524f, 0x11ce, 0x9f, 0x53, 0x00, 0x20, 0xaf, 0x0b, 0xa7, 0x70)
TB_RGB_GUID(MEDIASUBTYPE_RGB1, 0xe436eb78)
TB_RGB_GUID(MEDIASUBTYPE_RGB4, 0xe436eb79)
TB_RGB_GUID(MEDIASUBTYPE_RGB8, 0xe436eb7a)
TB_RGB_GUID(MEDIASUBTYPE_RGB565, 0xe436eb7b)
TB_RGB_GUID(MEDIASUBTYPE_RGB555, 0xe436eb7c)
TB_RGB_GUID(MEDIASUBTYPE_RGB24, 0xe436eb7d)
TB_RGB_GUID(MEDIASUBTYPE_RGB32, 0xe436eb7e)
TB_MEDIA_GUID(MEDIASUBTYPE_ARGB32, 0x773c9ac0, 0x3274, 0x11d0, 0xb7, 0x24, 0x00, 0xaa, 0x00, 0x6c,
              0x1a, 0x01)
TB_MEDIA_GUID(FORMAT_VideoInfo, 0x05589f80, 0xc356, 0x11ce, 0xbf, 0x01, 0x00, 0xaa, 0x00, 0x55,
              0x59, 0x5a)
TB_MEDIA_GUID(FORMAT_VideoInfo2, 0xf72a76a0, 0xeb0a, 0x11d0, 0xac, 0xe4, 0x00, 0x00, 0xc0, 0xcc,
              0x16, 0xba)
TB_MEDIA_GUID(FORMAT_WaveFormatEx, 0x05589f81, 0xc356, 0x11ce, 0xbf, 0x01, 0x00, 0xaa, 0x00, 0x55,
              0x59, 0x5a)
TB_MEDIA_GUID(FORMAT_MPEGVideo, 0x05589f82, 0xc356, 0x11ce, 0xbf, 0x01, 0x00, 0xaa, 0x00, 0x55,
              0x59, 0x5a)
TB_MEDIA_GUID(FORMAT_None, 0x0f6417d6, 0xc318, 0x11d0, 0xa4, 0x3f, 0x00, 0xa0, 0xc9, 0x22, 0x31,
              0x96)

const GUID GUID_NULL = {};

BOOL IsProcessorFeaturePresent(DWORD feature) {
    __builtin_cpu_init();
    if (feature == 36)
        return __builtin_cpu_supports("ssse3") ? 1 : 0;
    if (feature == 40)
        return __builtin_cpu_supports("avx2") ? 1 : 0;
    return 0;
}

// Text conversions: the native core only narrows exception messages for what(), so ASCII
// passes as it is and every other character or byte stands as '?'.
int MultiByteToWideChar(UINT, DWORD, const char* text, int length, wchar_t* wide, int wideLength) {
    for (int i = 0; wide != nullptr && i < length && i < wideLength; ++i)
        wide[i] = static_cast<unsigned char>(text[i]) < 0x80 ? text[i] : L'?';
    return length;
}

int WideCharToMultiByte(UINT, DWORD, const wchar_t* wide, int length, char* text, int textLength,
                        const char*, BOOL*) {
    for (int i = 0; text != nullptr && i < length && i < textLength; ++i)
        text[i] = wide[i] >= 0 && wide[i] < 0x80 ? static_cast<char>(wide[i]) : '?';
    return length;
}

int GetLocaleInfoEx(const wchar_t*, LCTYPE, wchar_t*, int) {
    return 0;
}
