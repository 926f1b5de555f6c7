// Numbers as users type them into the pages' edit fields.
#include <gtest/gtest.h>

#include "ui/typed_number.h"

namespace mouse::test {
namespace {

TEST(TypedNumberTest, ReadsTheLeadingNumberAndSaturatesAtTheCap) {
    struct Case {
        const char* text;
        long long cap;
        long long value;
    };
    const Case cases[] = {
        {"", 1000, 0},
        {"abc", 1000, 0},
        {"  42", 1000, 42},
        {"-17px", 1000, -17},
        {"+8", 1000, 8},
        {"- 5", 1000, 0},
        {"12 34", 1000, 12},
        {"999999", 1000, 1000},
        {"-999999", 1000, -1000},
        {"\t7\n", 1000, 7},
        {"--3", 1000, 0},
        {"99999999999999999999", 10'000'000'000LL, 10'000'000'000LL},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ReadTypedNumber(QString::fromUtf8(c.text), c.cap), c.value) << c.text;
    }
}

}  // namespace
}  // namespace mouse::test
