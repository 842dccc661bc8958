#include "settings/ValueEncoding.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace tb;

TEST(EncodeReal, ScalesAndRoundsHalvesToEven) {
    struct Case {
        double value;
        std::int64_t stored;
    };
    const Case cases[] = {
        {1.23456, 12346}, {0.0, 0},     {-1.5, -15000}, {0.00005, 0}, // 0.5 -> 0 (even)
        {0.00025, 2},     {0.00026, 3}, {-0.00025, -2}, {25.0, 250000}, {29.97, 299700},
    };
    for (const Case& c : cases) {
        const auto encoded = EncodeReal(c.value);
        ASSERT_TRUE(encoded.has_value()) << c.value;
        EXPECT_EQ(*encoded, c.stored) << c.value;
    }
}

TEST(EncodeReal, RefusesValuesWithoutAStoredForm) {
    EXPECT_FALSE(EncodeReal(std::numeric_limits<double>::quiet_NaN()));
    EXPECT_FALSE(EncodeReal(std::numeric_limits<double>::infinity()));
    EXPECT_FALSE(EncodeReal(-std::numeric_limits<double>::infinity()));
    EXPECT_FALSE(EncodeReal(1e300));
    EXPECT_TRUE(EncodeReal(9e14));
}

TEST(DecodeReal, KeepsFourDecimals) {
    EXPECT_DOUBLE_EQ(DecodeReal(12346), 1.2346);
    EXPECT_DOUBLE_EQ(DecodeReal(-15000), -1.5);
}

TEST(ApplicationTitle, FromProgramFileName) {
    struct Case {
        const wchar_t* path;
        const wchar_t* title;
    };
    const Case cases[] = {
        {L"C:\\Program Files\\Bench\\TestBench.exe", L"Testbench"},
        {L"TestBench.exe", L"Testbench"},
        {L"/usr/bin/TESTBENCH.EXE", L"Testbench"},
        {L"C:\\x\\my.bench.exe", L"my"},
        {L"C:\\x\\NoExt", L"Noext"},
        {L"C:\\x\\lower.exe", L"lower"},
        {L"", L""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ApplicationTitle(c.path), c.title) << c.path;
}
