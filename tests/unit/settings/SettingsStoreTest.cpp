// The settings store against the real registry, under a private application key.
#include "settings/SettingsStore.h"
#include "support/TestRegistry.h"

#include <gtest/gtest.h>

#include <limits>

using namespace tb;
using tbtest::TTestRegistry;

TEST(SettingsStore, FirstStartCreatesTheApplicationKeyAndEveryReadFails) {
    TTestRegistry registry;
    EXPECT_TRUE(registry.Exists(L"", L"Application"));
    std::wstring application = L"x";
    // The empty "Application" string counts as not found.
    EXPECT_FALSE(registry.Store().RegReadString(L"", L"Application", application));
    EXPECT_EQ(application, L"x");

    std::int32_t integer = 7;
    bool boolean = true;
    std::wstring text = L"keep";
    double real = 2.5;
    EXPECT_FALSE(registry.Store().RegReadInteger(L"Form1", L"left", integer));
    EXPECT_FALSE(registry.Store().RegReadBool(L"Form1", L"Autosize", boolean));
    EXPECT_FALSE(registry.Store().RegReadString(L"Form1", L"name", text));
    EXPECT_FALSE(registry.Store().RegReadFloat(L"Form1", L"rate", real));
    EXPECT_EQ(integer, 7);
    EXPECT_TRUE(boolean);
    EXPECT_EQ(text, L"keep");
    EXPECT_EQ(real, 2.5);
}

TEST(SettingsStore, ValuesRoundTripThroughTheirStoredKinds) {
    TTestRegistry registry;
    TSettingsStore& store = registry.Store();
    store.RegWriteInteger(L"Form1", L"left", -50);
    store.RegWriteBool(L"Form1", L"Autosize", false);
    store.RegWriteString(L"Form1", L"device", L"Caméra (2)");
    store.RegWriteFloat(L"Form1", L"rate", 1.23456);

    std::int32_t integer = 0;
    bool boolean = true;
    std::wstring text;
    double real = 0;
    ASSERT_TRUE(store.RegReadInteger(L"Form1", L"left", integer));
    ASSERT_TRUE(store.RegReadBool(L"Form1", L"Autosize", boolean));
    ASSERT_TRUE(store.RegReadString(L"Form1", L"device", text));
    ASSERT_TRUE(store.RegReadFloat(L"Form1", L"rate", real));
    EXPECT_EQ(integer, -50);
    EXPECT_FALSE(boolean);
    EXPECT_EQ(text, L"Caméra (2)");
    EXPECT_DOUBLE_EQ(real, 1.2346);
}

TEST(SettingsStore, AWriteReplacesAValueOfAnyKind) {
    TTestRegistry registry;
    registry.Store().RegWriteString(L"S", L"v", L"text");
    registry.Store().RegWriteInteger(L"S", L"v", 3);
    std::int32_t integer = 0;
    EXPECT_TRUE(registry.Store().RegReadInteger(L"S", L"v", integer));
    EXPECT_EQ(integer, 3);
}

TEST(SettingsStore, ValuesOfTheWrongKindOrSizeReadAsNotFound) {
    TTestRegistry registry;
    TSettingsStore& store = registry.Store();
    store.RegWriteString(L"S", L"intAsString", L"12");
    store.RegWriteInteger(L"S", L"stringAsInt", 12);
    const unsigned char four[4] = {1, 2, 3, 4};
    registry.SetRaw(L"S", L"shortReal", REG_BINARY, four, sizeof(four));
    const unsigned char eight[8] = {1, 0, 0, 0, 0, 0, 0, 0};
    registry.SetRaw(L"S", L"realAsInt", REG_BINARY, eight, sizeof(eight));
    const unsigned long long qword = 5;
    registry.SetRaw(L"S", L"qword", REG_QWORD, &qword, sizeof(qword));
    registry.SetRaw(L"S", L"multi", REG_MULTI_SZ, L"a\0b\0", 5 * sizeof(wchar_t));

    std::int32_t integer = 99;
    EXPECT_FALSE(store.RegReadInteger(L"S", L"intAsString", integer));
    EXPECT_FALSE(store.RegReadInteger(L"S", L"qword", integer));
    EXPECT_FALSE(store.RegReadInteger(L"S", L"realAsInt", integer));
    EXPECT_EQ(integer, 99);
    std::wstring text = L"keep";
    EXPECT_FALSE(store.RegReadString(L"S", L"stringAsInt", text));
    EXPECT_FALSE(store.RegReadString(L"S", L"multi", text));
    EXPECT_EQ(text, L"keep");
    double real = 4.5;
    EXPECT_FALSE(store.RegReadFloat(L"S", L"shortReal", real));
    EXPECT_FALSE(store.RegReadFloat(L"S", L"stringAsInt", real));
    EXPECT_EQ(real, 4.5);
    bool boolean = false;
    EXPECT_FALSE(store.RegReadBool(L"S", L"intAsString", boolean));
    EXPECT_FALSE(boolean);
}

TEST(SettingsStore, BooleansAreAnyNonZeroDoubleWord) {
    TTestRegistry registry;
    const DWORD five = 5;
    registry.SetRaw(L"S", L"five", REG_DWORD, &five, sizeof(five));
    bool boolean = false;
    EXPECT_TRUE(registry.Store().RegReadBool(L"S", L"five", boolean));
    EXPECT_TRUE(boolean);
}

TEST(SettingsStore, StringsAreTakenAsStoredWithoutExpansion) {
    TTestRegistry registry;
    const wchar_t expand[] = L"%WINDIR%\\x";
    registry.SetRaw(L"S", L"expand", REG_EXPAND_SZ, expand, sizeof(expand));
    // A string stored without its terminator.
    registry.SetRaw(L"S", L"bare", REG_SZ, L"abc", 3 * sizeof(wchar_t));
    std::wstring text;
    EXPECT_TRUE(registry.Store().RegReadString(L"S", L"expand", text));
    EXPECT_EQ(text, L"%WINDIR%\\x");
    EXPECT_TRUE(registry.Store().RegReadString(L"S", L"bare", text));
    EXPECT_EQ(text, L"abc");
}

TEST(SettingsStore, EmptyStringReadsAsNotFound) {
    TTestRegistry registry;
    registry.Store().RegWriteString(L"S", L"empty", L"");
    std::wstring text = L"default";
    EXPECT_FALSE(registry.Store().RegReadString(L"S", L"empty", text));
    EXPECT_EQ(text, L"default");
}

TEST(SettingsStore, DeeperSectionLevelsAreCreatedOnWrite) {
    TTestRegistry registry;
    std::int32_t value = 0;
    EXPECT_FALSE(registry.Store().RegReadInteger(L"Form1\\VideoCapture1", L"v", value));
    registry.Store().RegWriteInteger(L"Form1\\VideoCapture1", L"v", 42);
    EXPECT_TRUE(registry.Store().RegReadInteger(L"Form1\\VideoCapture1", L"v", value));
    EXPECT_EQ(value, 42);
    EXPECT_TRUE(registry.Exists(L"Form1\\VideoCapture1", L"v"));
}

TEST(SettingsStore, ApplicationKeyRemovedWhileRunning) {
    TTestRegistry registry;
    registry.Store().RegWriteInteger(L"S", L"v", 1);
    registry.DeleteApplicationKey();
    std::int32_t value = 0;
    EXPECT_FALSE(registry.Store().RegReadInteger(L"S", L"v", value));
    // The next write creates it again.
    registry.Store().RegWriteInteger(L"S", L"v", 2);
    EXPECT_TRUE(registry.Store().RegReadInteger(L"S", L"v", value));
    EXPECT_EQ(value, 2);
}

TEST(SettingsStore, WriteFailuresRaiseTheStoreErrors) {
    TTestRegistry registry;
    // A section path the registry refuses (an empty level) cannot be created.
    try {
        registry.Store().RegWriteInteger(L"a\\\\b", L"v", 1);
        // Some registries accept the doubled separator; then the value must be readable.
        std::int32_t value = 0;
        EXPECT_TRUE(registry.Store().RegReadInteger(L"a\\\\b", L"v", value));
    } catch (const ESettingsError& error) {
        EXPECT_EQ(error.Message(), L"Failed to create key a\\\\b");
    }
    // A real without a stored form is refused with the value error, and nothing is written.
    try {
        registry.Store().RegWriteFloat(L"S", L"nan", std::numeric_limits<double>::quiet_NaN());
        FAIL() << "no error";
    } catch (const ESettingsError& error) {
        EXPECT_EQ(error.Message(), L"Failed to set data for 'nan'");
    }
    EXPECT_FALSE(registry.Exists(L"S", L"nan"));
}
