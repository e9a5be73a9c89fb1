#include "cli/Arguments.h"
#include "cli/FindingJson.h"

#include <gtest/gtest.h>

namespace {

const std::vector<TCommandSyntax> Syntaxes = {
    {"render", {"FILE", "OUT"}, {{"grid", 1}, {"path", 2}, {"no-zones", 0}}},
    {"check", {"FILE"}, {{"json", 0}}},
};

TEST(CommandLine, TakesOptionsAnywhereWithTheirValues) {
    const TCommandLine L = ParseCommandLine(
        {"render", "--path", "Land1", "-3", "a.mapset", "--no-zones", "o.png", "--grid", "120"},
        Syntaxes);
    EXPECT_EQ(L.Command, "render");
    EXPECT_EQ(L.Positionals, (std::vector<std::string>{"a.mapset", "o.png"}));
    EXPECT_EQ(L.Values("path"), (std::vector<std::string>{"Land1", "-3"}));
    EXPECT_EQ(L.Values("grid"), (std::vector<std::string>{"120"}));
    EXPECT_TRUE(L.Has("no-zones"));
    EXPECT_FALSE(L.Help);
}

TEST(CommandLine, HelpWinsOverOtherMistakes) {
    EXPECT_TRUE(ParseCommandLine({"--help"}, Syntaxes).Help);
    const TCommandLine L = ParseCommandLine({"check", "--bogus", "--help"}, Syntaxes);
    EXPECT_TRUE(L.Help);
    EXPECT_EQ(L.Command, "check");
}

TEST(CommandLine, DoubleDashEndsOptions) {
    const TCommandLine L = ParseCommandLine({"check", "--", "--json"}, Syntaxes);
    EXPECT_EQ(L.Positionals, (std::vector<std::string>{"--json"}));
    EXPECT_FALSE(L.Has("json"));
}

TEST(CommandLine, RefusesWhatCannotBeRun) {
    const std::vector<std::vector<std::string>> Bad = {
        {},
        {"draw", "a"},
        {"check"},
        {"check", "a", "b"},
        {"check", "a", "--jsn"},
        {"check", "a", "--json", "--json"},
        {"render", "a", "b", "--path", "x"},
    };
    for (const auto& Arguments : Bad)
        EXPECT_THROW(ParseCommandLine(Arguments, Syntaxes), EUsageError)
            << ::testing::PrintToString(Arguments);
}

TEST(BoundedInt, AcceptsOnlyWholeNumbersInRange) {
    EXPECT_EQ(ParseBoundedInt("120", 50, 1000, "x"), 120);
    for (const char* Text : {"", "49", "1001", "12a", " 60", "6e1"})
        EXPECT_THROW(ParseBoundedInt(Text, 50, 1000, "x"), EUsageError) << Text;
}

TEST(Json, EscapesControlsAndWidensLatin1) {
    EXPECT_EQ(JsonString("a\"b\\c\n\x01"), "\"a\\\"b\\\\c\\n\\u0001\"");
    EXPECT_EQ(JsonString("K\xF6ln"), "\"K\xC3\xB6ln\"");
}

} // namespace
