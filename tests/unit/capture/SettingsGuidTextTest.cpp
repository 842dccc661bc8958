// Identifiers as stored text: written in the platform's registry form, read back in
// either case, and anything else refused with the conversion error.
#include "capture/GuidText.h"

#include "media/ComHelpers.h"

#include <gtest/gtest.h>

#include <dshow.h>
#include <objbase.h>

using namespace tb;

namespace {

// The platform's own text of an identifier.
std::wstring PlatformText(const GUID& id) {
    TTaskMemory<wchar_t> text(*DefaultMediaPlatform());
    EXPECT_EQ(::StringFromCLSID(id, text.Put()), S_OK);
    return text ? std::wstring(text.Get()) : std::wstring();
}

} // namespace

TEST(GuidText, WrittenAsThePlatformWritesIt) {
    const GUID ids[] = {GUID_NULL,
                        MEDIASUBTYPE_YUY2,
                        MEDIASUBTYPE_RGB24,
                        FORMAT_VideoInfo,
                        FORMAT_VideoInfo2,
                        CLSID_VideoInputDeviceCategory,
                        GUID{0xFFFFFFFF, 0xABCD, 0x0001, {0, 1, 2, 3, 0xFA, 0xFB, 0xFC, 0xFD}}};
    for (const GUID& id : ids) {
        const std::wstring text = GuidText(id);
        EXPECT_EQ(text, PlatformText(id));
        EXPECT_EQ(ParseGuidText(text), id) << text;
    }
    EXPECT_EQ(GuidText(MEDIASUBTYPE_YUY2), L"{32595559-0000-0010-8000-00AA00389B71}");
    EXPECT_EQ(GuidText(GUID_NULL), L"{00000000-0000-0000-0000-000000000000}");
}

TEST(GuidText, ReadInEitherCase) {
    EXPECT_EQ(ParseGuidText(L"{32595559-0000-0010-8000-00aa00389b71}"), MEDIASUBTYPE_YUY2);
    EXPECT_EQ(StringToGuid(L"{05589F80-C356-11CE-BF01-00AA0055595A}"), FORMAT_VideoInfo);
}

TEST(GuidText, AnythingElseIsNotAnIdentifier) {
    const wchar_t* texts[] = {
        L"",
        L"YUY2",
        L"{32595559-0000-0010-8000-00AA00389B71",    // no closing brace
        L"{32595559-0000-0010-8000-00AA00389B7}",    // one digit short
        L"{32595559-0000-0010-800000AA-00389B71}",   // hyphen out of place
        L"{3259555G-0000-0010-8000-00AA00389B71}",   // not a hex digit
        L"{32595559 0000-0010-8000-00AA00389B71}",   // blank for a hyphen
        L"{+2595559-0000-0010-8000-00AA00389B71}",   // sign
        L"{32595559-0000-0010-8000-00AA00389B71}\n", // trailing line end
    };
    for (const wchar_t* text : texts) {
        EXPECT_FALSE(ParseGuidText(text).has_value()) << text;
        try {
            StringToGuid(text);
            ADD_FAILURE() << "no error for " << testing::PrintToString(std::wstring(text));
        } catch (const EConvertError& error) {
            EXPECT_EQ(error.Message(), L"'" + std::wstring(text) + L"' is not a valid GUID value");
        }
    }
}
