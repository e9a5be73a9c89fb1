#include "zonemap/StringUtils.h"
#include "platform/Exception.h"

#include <gtest/gtest.h>

namespace {

TEST(SplitOff, CutsAtTheFirstSeparatorOrTakesEverything) {
    struct Case {
        std::string S, Head, Rest;
    } Cases[] = {
        {"abc", "abc", ""}, {";abc", "", "abc"}, {"a;b;c", "a", "b;c"}, {"", "", ""}, {";", "", ""},
    };
    for (const Case& C : Cases) {
        std::string S = C.S, Head = "old";
        SplitOff(S, ';', Head);
        EXPECT_EQ(Head, C.Head) << C.S;
        EXPECT_EQ(S, C.Rest) << C.S;
        std::string_view V = C.S, H;
        SplitOff(V, ';', H);
        EXPECT_EQ(H, C.Head) << C.S;
        EXPECT_EQ(V, C.Rest) << C.S;
    }
}

TEST(SplitOffInt, ReadsEachHeadAndGivesZeroForNonIntegers) {
    std::string S = "12,x,,-7,$ff";
    EXPECT_EQ(SplitOffInt(S, ','), 12);
    EXPECT_EQ(SplitOffInt(S, ','), 0);
    EXPECT_EQ(SplitOffInt(S, ','), 0);
    EXPECT_EQ(SplitOffInt(S, ','), -7);
    EXPECT_EQ(SplitOffInt(S, ','), 255);
    EXPECT_EQ(S, "");
    EXPECT_EQ(SplitOffInt(S, ','), 0);
}

TEST(IntegerText, AcceptsOnlyWellFormedIntegers) {
    struct Case {
        const char* Text;
        bool Valid;
        int32_t Value;
    } Cases[] = {
        {"0", true, 0},
        {"42", true, 42},
        {"007", true, 7},
        {"  5", true, 5},
        {"+5", true, 5},
        {"-5", true, -5},
        {"2147483647", true, 2147483647},
        {"-2147483648", true, INT32_MIN},
        {"2147483648", false, 0},
        {"-2147483649", false, 0},
        {"99999999999999999999", false, 0},
        {"$ff", true, 255},
        {"$FF", true, 255},
        {"xA", true, 10},
        {"X1f", true, 31},
        {"0x10", true, 16},
        {"0X10", true, 16},
        {"-$10", true, -16},
        {"$FFFFFFFF", true, -1},
        {"$80000000", true, INT32_MIN},
        {"$100000000", false, 0},
        {"$", false, 0},
        {"0x", false, 0},
        {"", false, 0},
        {" ", false, 0},
        {"-", false, 0},
        {"+-1", false, 0},
        {"5 ", false, 0},
        {"1.5", false, 0},
        {"1e3", false, 0},
        {"\t5", false, 0},
        {"$fg", false, 0},
        {"12a", false, 0},
    };
    for (const Case& C : Cases) {
        int32_t Value = 12345;
        EXPECT_EQ(TryStrToInt(C.Text, Value), C.Valid) << '"' << C.Text << '"';
        if (C.Valid) {
            EXPECT_EQ(Value, C.Value) << '"' << C.Text << '"';
        }
    }
}

TEST(IntegerText, StrictReadingNamesTheText) {
    EXPECT_EQ(StrToInt(" -12"), -12);
    try {
        StrToInt("1x");
        FAIL() << "no error";
    } catch (const EConvertError& E) {
        EXPECT_STREQ(E.what(), "'1x' is not a valid integer value");
    }
    EXPECT_THROW(StrToInt(""), EConvertError);
}

} // namespace
