#include "batchrun/script_line.h"

#include <gtest/gtest.h>

namespace corvane::batchrun {
namespace {

using Words = std::vector<std::string>;
using Kind = ScriptLine::Kind;

TEST(SplitWords, QuotesGroupWordsAndNothingElseCounts) {
    EXPECT_EQ(SplitWords("x a&b;c $HOME `id` 'q' *"),
              (Words{"x", "a&b;c", "$HOME", "`id`", "'q'", "*"}));
    EXPECT_EQ(SplitWords("pre\"mid dle\"post"), (Words{"premid dlepost"}));
    EXPECT_EQ(SplitWords("a \"\" b"), (Words{"a", "", "b"}));
    EXPECT_EQ(SplitWords("a \"open to end"), (Words{"a", "open to end"}));
    EXPECT_EQ(SplitWords("a b\r"), (Words{"a", "b"}));
    EXPECT_TRUE(SplitWords("   ").empty());
}

TEST(ParseScriptLine, ClassifiesEachKindOfLine) {
    EXPECT_EQ(ParseScriptLine("  \r").kind, Kind::Empty);
    EXPECT_EQ(ParseScriptLine("REM a comment").kind, Kind::Empty);
    EXPECT_EQ(ParseScriptLine("/tmp/my runs/:").kind, Kind::Drive);
    EXPECT_EQ(ParseScriptLine("Pause\r").kind, Kind::Pause);

    EXPECT_EQ(ParseScriptLine("copy a.lst finished.txt\r").kind, Kind::Copy);
    EXPECT_EQ(ParseScriptLine("notepad \"/out/a b_wxcheck.lst\"").kind, Kind::Notepad);
    EXPECT_EQ(ParseScriptLine("\"/opt/app/wxcheck\" wxcheck.inp\r").kind, Kind::Program);
    const ScriptLine cd = ParseScriptLine("cd \"/tmp/my runs/\"\r");
    EXPECT_EQ(cd.kind, Kind::ChangeDirectory);
    EXPECT_EQ(cd.words, Words{"/tmp/my runs/"});
    // The shell takes an unquoted folder with blanks whole.
    EXPECT_EQ(ParseScriptLine("CD /tmp/my  runs").words, Words{"/tmp/my  runs"});
    // A command word only counts as a whole word.
    EXPECT_EQ(ParseScriptLine("copyfiles a b").kind, Kind::Program);
    EXPECT_EQ(ParseScriptLine("cdrecord").kind, Kind::Program);
}

}  // namespace
}  // namespace corvane::batchrun
