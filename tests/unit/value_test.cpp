#include <gtest/gtest.h>

#include "store/value.h"

using store::Value;

TEST(Value, ShowsNumbersAsABoundBoxDoes) {
    EXPECT_EQ(Value().toText(), "");
    EXPECT_EQ(Value(7).toText(), "7");
    EXPECT_EQ(Value(6.0).toText(), "6");
    EXPECT_EQ(Value(-3.0).toText(), "-3");
    EXPECT_EQ(Value(2.5).toText(), "2.5");
    EXPECT_EQ(Value("l'isola \"bella\"").toText(), "l'isola \"bella\"");
    EXPECT_EQ(Value("12").toNumber(), 12);
    EXPECT_EQ(Value("12a").toNumber(), 0);
}
