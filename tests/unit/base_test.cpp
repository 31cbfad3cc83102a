#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <optional>

#include "base/italian_count.h"
#include "base/regular_file.h"
#include "base/whole_number.h"
#include "store_test_support.h"

// The whole numbers of a photo list's entries (a sign allowed) and of the
// album tool's lines (read a number at a time) by the one reader.
TEST(WholeNumber, ReadsSignedDigitsExactlyOrNothing) {
    struct Case {
        const char* text;
        std::optional<std::int64_t> whole;
        std::size_t left;  // what TakeWholeNumber leaves
    };
    const Case cases[] = {
        {"12", 12, 0},
        {"+12", 12, 0},
        {"-9223372036854775808", INT64_MIN, 0},
        {"9223372036854775808", std::nullopt, 19},
        {"12 30", std::nullopt, 3},
        {"", std::nullopt, 0},
        {"+", std::nullopt, 1},
        {"+-1", std::nullopt, 3},
        {" 1", std::nullopt, 2},
        {"1.5", std::nullopt, 2},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(base::WholeNumber(c.text), c.whole) << c.text;
        std::string_view text = c.text;
        base::TakeWholeNumber(text);
        EXPECT_EQ(text.size(), c.left) << c.text;
    }
}

TEST(ItalianCount, PutsAPointBetweenThousands) {
    EXPECT_EQ(base::ItalianCount(0), "0");
    EXPECT_EQ(base::ItalianCount(999), "999");
    EXPECT_EQ(base::ItalianCount(4210), "4.210");
    EXPECT_EQ(base::ItalianCount(-1000000), "-1.000.000");
    EXPECT_EQ(base::ItalianCount(INT64_MIN), "-9.223.372.036.854.775.808");
}

// What the picture sniffers, the album's adding and the Access engine each
// tell apart: a file read, a FIFO refused without waiting, a missing file.
TEST(ReadFileStart, ReadsOnlyRegularFilesAndNeverWaits) {
    store_test::TempDir dir;
    const std::string file = dir / "file";
    std::ofstream(file) << "abcdef";
    const std::string fifo = dir / "fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    char bytes[4] = {};
    const base::FileStart read = base::ReadFileStart(file, bytes, sizeof bytes, 1);
    EXPECT_TRUE(read.regular);
    EXPECT_EQ(std::string(bytes, read.size), "bcde");
    const base::FileStart other = base::ReadFileStart(fifo, bytes, sizeof bytes);
    EXPECT_FALSE(other.regular);
    EXPECT_EQ(other.error, 0);
    const base::FileStart missing = base::ReadFileStart(dir / "none", bytes, sizeof bytes);
    EXPECT_FALSE(missing.regular);
    EXPECT_EQ(missing.error, ENOENT);
}
