// Reading the number a text begins with.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "app/val.h"

TEST(Val, TakesTheLongestLeadingNumberAfterBlanks) {
    EXPECT_EQ(Val("7"), 7);
    EXPECT_EQ(Val("  \t\r\n42x"), 42);
    EXPECT_EQ(Val("007"), 7);
    EXPECT_EQ(Val("7abc"), 7);
    EXPECT_EQ(Val("7 8"), 7);
    EXPECT_EQ(Val("-3"), -3);
    EXPECT_EQ(Val("+4"), 4);
    EXPECT_EQ(Val("2.5"), 2.5);
    EXPECT_EQ(Val(".5"), 0.5);
    EXPECT_EQ(Val("-.5"), -0.5);
    EXPECT_EQ(Val("5."), 5);
    EXPECT_EQ(Val("1.2.3"), 1.2);
    EXPECT_EQ(Val(QString::fromUtf8("12 €")), 12);
}

TEST(Val, ReadsTheDecimalPointWhateverTheLocale) {
    // A comma ends the number: the album writes its numbers with a point.
    EXPECT_EQ(Val("2,5"), 2);
    EXPECT_EQ(Val("1.000"), 1);
}

TEST(Val, IsZeroWhenTheTextDoesNotBeginWithANumber) {
    EXPECT_EQ(Val(""), 0);
    EXPECT_EQ(Val("abc"), 0);
    EXPECT_EQ(Val("-"), 0);
    EXPECT_EQ(Val("."), 0);
    EXPECT_EQ(Val("+.e5"), 0);
    EXPECT_EQ(Val("x7"), 0);
    EXPECT_EQ(Val(QString()), 0);
}

TEST(Val, ReadsAnExponentOnlyWithDigitsAfterIt) {
    EXPECT_EQ(Val("1e3"), 1000);
    EXPECT_EQ(Val("1E+3"), 1000);
    EXPECT_EQ(Val("25e-1"), 2.5);
    EXPECT_EQ(Val("1d2"), 100);
    EXPECT_EQ(Val("1e"), 1);
    EXPECT_EQ(Val("1e+"), 1);
    EXPECT_EQ(Val("1ex"), 1);
}

TEST(Val, NumbersPastTheRangeOfADouble) {
    EXPECT_EQ(Val("1e999"), std::numeric_limits<double>::infinity());
    EXPECT_EQ(Val("-1e999"), -std::numeric_limits<double>::infinity());
    EXPECT_EQ(Val(std::string(400, '9')), std::numeric_limits<double>::infinity());
    EXPECT_EQ(Val("1e-999"), 0);
    EXPECT_EQ(Val("0." + std::string(400, '0') + "1"), 0);
    EXPECT_TRUE(std::signbit(Val("-1e-999")));
    EXPECT_EQ(Val("9007199254740993"), 9007199254740992.0);
    EXPECT_EQ(Val("1e99999999999999999999"), std::numeric_limits<double>::infinity());
    // Exponents at the ends of a 64-bit integer.
    EXPECT_EQ(Val("-1e0009223372036854775807"), -std::numeric_limits<double>::infinity());
    EXPECT_EQ(Val("0.01e-9223372036854775808"), 0);
}
