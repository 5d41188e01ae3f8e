#include <gtest/gtest.h>

#include <cmath>

#include "data/NumberFormat.h"

TEST(NumberFormat, GeneralThreeDigits)
{
    const QChar dot('.');
    EXPECT_EQ(FormatGeneral3(0, dot), "0");
    EXPECT_EQ(FormatGeneral3(1, dot), "1");
    EXPECT_EQ(FormatGeneral3(0.5, dot), "0.5");
    EXPECT_EQ(FormatGeneral3(1.0 / 3, dot), "0.333");
    EXPECT_EQ(FormatGeneral3(2.25, dot), "2.25");
    EXPECT_EQ(FormatGeneral3(12.34, dot), "12.3");
    EXPECT_EQ(FormatGeneral3(999, dot), "999");
    EXPECT_EQ(FormatGeneral3(999.6, dot), "1E3");
    EXPECT_EQ(FormatGeneral3(1234, dot), "1.23E3");
    EXPECT_EQ(FormatGeneral3(0.00005, dot), "5E-5");
    EXPECT_EQ(FormatGeneral3(0.0001, dot), "0.0001");
    EXPECT_EQ(FormatGeneral3(0.000123456, dot), "0.000123");
    EXPECT_EQ(FormatGeneral3(-0.25, dot), "-0.25");
    EXPECT_EQ(FormatGeneral3(9.996, dot), "10");
    EXPECT_EQ(FormatGeneral3(std::nan(""), dot), "NAN");
    EXPECT_EQ(FormatGeneral3(1.0 / 3, QChar(',')), "0,333");
    EXPECT_EQ(FormatGeneral3(1234, QChar(',')), "1,23E3");
}

TEST(NumberFormat, ShortestKeepsFifteenDigits)
{
    const QChar dot('.');
    EXPECT_EQ(FormatShortest(37, dot), "37");
    EXPECT_EQ(FormatShortest(123456789, dot), "123456789");
    EXPECT_EQ(FormatShortest(2.5, dot), "2.5");
    EXPECT_EQ(FormatShortest(0.1 + 0.2, dot), "0.3");
    EXPECT_EQ(FormatShortest(1e15, dot), "1E15");
    EXPECT_EQ(FormatShortest(0.00001, dot), "1E-5");
}
