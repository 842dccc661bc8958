#include "devices/NameDeduplication.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

using Names = std::vector<std::wstring>;

struct TNamingCase {
    const char* what;
    Names read;
    Names listed;
};

TEST(NameDeduplication, NamesOfOneCategoryRun) {
    const TNamingCase cases[] = {
        {"nothing read", {}, {}},
        {"distinct names stay as read", {L"A", L"B"}, {L"A", L"B"}},
        {"two identical cameras", {L"Cam", L"Cam"}, {L"Cam", L"Cam (1)"}},
        {"one counter for the whole run",
         {L"A", L"A", L"B", L"B", L"A"},
         {L"A", L"A (1)", L"B", L"B (2)", L"A (3)"}},
        {"a numbered name is not checked again",
         {L"Cam", L"Cam (1)", L"Cam"},
         {L"Cam", L"Cam (1)", L"Cam (1)"}},
        {"a device already named like a numbered one is numbered itself",
         {L"Cam", L"Cam", L"Cam (1)"},
         {L"Cam", L"Cam (1)", L"Cam (1) (2)"}},
        {"blank-only names are left out and do not count",
         {L"   ", L"", L"\t\r\n", L"A", L" ", L"A"},
         {L"A", L"A (1)"}},
        {"surrounding blanks are kept and make a different name",
         {L" Cam ", L"Cam", L" Cam "},
         {L" Cam ", L"Cam", L" Cam  (1)"}},
        {"names are compared with case",
         {L"USB Camera", L"usb camera"},
         {L"USB Camera", L"usb camera"}},
        {"a character above 32 is not blank", {L"\x7f", L"\x00a0"}, {L"\x7f", L"\x00a0"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(tb::CatalogueNames(c.read), c.listed) << c.what;
}

TEST(NameDeduplication, BlankNames) {
    EXPECT_TRUE(tb::IsBlankName(L""));
    EXPECT_TRUE(tb::IsBlankName(std::wstring(L" \x01\x1f ", 4)));
    EXPECT_TRUE(tb::IsBlankName(std::wstring(1, L'\0')));
    EXPECT_FALSE(tb::IsBlankName(L" x "));
    EXPECT_FALSE(tb::IsBlankName(L"!"));
}

TEST(NameDeduplication, AdmitTellsWhatIsLeftOut) {
    tb::TCategoryNaming naming;
    EXPECT_EQ(naming.Admit(L"  "), std::nullopt);
    EXPECT_EQ(naming.Admit(L"Cam"), std::optional<std::wstring>(L"Cam"));
    EXPECT_EQ(naming.Admit(L"Cam"), std::optional<std::wstring>(L"Cam (1)"));
    EXPECT_EQ(naming.Names(), (Names{L"Cam", L"Cam (1)"}));
}

} // namespace
