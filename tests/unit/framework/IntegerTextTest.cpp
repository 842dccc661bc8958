// Whole numbers typed by the user: the accepted forms, the 32-bit range and the
// conversion error's text.
#include "framework/IntegerText.h"

#include <gtest/gtest.h>

#include <optional>

using namespace tb;

TEST(IntegerTextTest, AcceptedFormsAndRange) {
    const struct {
        const wchar_t* text;
        std::optional<std::int32_t> value;
    } cases[] = {
        {L"640", 640},
        {L"   640", 640},
        {L"+640", 640},
        {L"-640", -640},
        {L"0", 0},
        {L"00042", 42},
        {L"$280", 640},
        {L"x280", 640},
        {L"X280", 640},
        {L"0x280", 640},
        {L"0Xff", 255},
        {L"-$10", -16},
        {L"2147483647", 2147483647},
        {L"-2147483648", INT32_MIN},
        {L"$7FFFFFFF", 2147483647},
        {L"-$80000000", INT32_MIN},
        {L"2147483648", std::nullopt},
        {L"-2147483649", std::nullopt},
        {L"$80000000", std::nullopt},
        {L"$FFFFFFFF", std::nullopt},
        {L"99999999999999999999999", std::nullopt},
        {L"", std::nullopt},
        {L"   ", std::nullopt},
        {L"-", std::nullopt},
        {L"$", std::nullopt},
        {L"0x", std::nullopt},
        {L"abc", std::nullopt},
        {L"640 ", std::nullopt},
        {L"6 40", std::nullopt},
        {L"64.0", std::nullopt},
        {L"--1", std::nullopt},
        {L"$-1", std::nullopt},
        {L"1e3", std::nullopt},
        {L"\t640", std::nullopt},
        {L"\uFF16", std::nullopt}, // a full-width digit is not a digit here
    };
    for (const auto& c : cases)
        EXPECT_EQ(TryStrToInt(c.text), c.value) << c.text;
}

TEST(IntegerTextTest, TheConversionErrorNamesTheText) {
    EXPECT_EQ(StrToInt(L" -12"), -12);
    for (const wchar_t* text : {L"abc", L""}) {
        try {
            StrToInt(text);
            ADD_FAILURE() << "no error for " << text;
        } catch (const EConvertError& error) {
            EXPECT_EQ(error.Message(),
                      L"'" + std::wstring(text) + L"' is not a valid integer value");
        }
    }
}
