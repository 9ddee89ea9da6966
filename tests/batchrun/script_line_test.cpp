#include "batchrun/script_line.h"

#include <gtest/gtest.h>

namespace corvane::batchrun {
namespace {

using Words = std::vector<std::string>;
using Kind = ScriptLine::Kind;

TEST(SplitWords, QuotesGroupWordsAndNothingElseCounts) {
    EXPECT_EQ(SplitWords("a  b\tc"), (Words{"a", "b", "c"}));
    EXPECT_EQ(SplitWords("\"/my dir/wxcheck\" wxcheck.inp"),
              (Words{"/my dir/wxcheck", "wxcheck.inp"}));
    EXPECT_EQ(SplitWords("x a&b;c $HOME `id` 'q' *"),
              (Words{"x", "a&b;c", "$HOME", "`id`", "'q'", "*"}));
    EXPECT_EQ(SplitWords("pre\"mid dle\"post"), (Words{"premid dlepost"}));
    EXPECT_EQ(SplitWords("a \"\" b"), (Words{"a", "", "b"}));
    EXPECT_EQ(SplitWords("a \"open to end"), (Words{"a", "open to end"}));
    EXPECT_EQ(SplitWords("a b\r"), (Words{"a", "b"}));
    EXPECT_TRUE(SplitWords("   ").empty());
}

TEST(ParseScriptLine, ClassifiesEachKindOfLine) {
    EXPECT_EQ(ParseScriptLine("").kind, Kind::Empty);
    EXPECT_EQ(ParseScriptLine("  \r").kind, Kind::Empty);
    EXPECT_EQ(ParseScriptLine("REM a comment").kind, Kind::Empty);
    EXPECT_EQ(ParseScriptLine("C:\r").kind, Kind::Drive);
    EXPECT_EQ(ParseScriptLine("/tmp/my runs/:").kind, Kind::Drive);
    EXPECT_EQ(ParseScriptLine("Pause\r").kind, Kind::Pause);

    const ScriptLine cd = ParseScriptLine("cd \"/tmp/my runs/\"\r");
    EXPECT_EQ(cd.kind, Kind::ChangeDirectory);
    EXPECT_EQ(cd.words, Words{"/tmp/my runs/"});
    // The shell takes an unquoted folder with blanks whole.
    EXPECT_EQ(ParseScriptLine("CD /tmp/my  runs").words, Words{"/tmp/my  runs"});

    const ScriptLine copy = ParseScriptLine("copy case1_wxcheck.lst finished.txt\r");
    EXPECT_EQ(copy.kind, Kind::Copy);
    EXPECT_EQ(copy.words, (Words{"case1_wxcheck.lst", "finished.txt"}));
    EXPECT_EQ(ParseScriptLine("copy a b c").words.size(), 3U);

    const ScriptLine notepad = ParseScriptLine("notepad \"/out/a b_wxcheck.lst\"");
    EXPECT_EQ(notepad.kind, Kind::Notepad);
    EXPECT_EQ(notepad.words, Words{"/out/a b_wxcheck.lst"});

    const ScriptLine program = ParseScriptLine("\"/opt/app/wxcheck\" wxcheck.inp\r");
    EXPECT_EQ(program.kind, Kind::Program);
    EXPECT_EQ(program.words, (Words{"/opt/app/wxcheck", "wxcheck.inp"}));
    // A command word only counts as a whole word.
    EXPECT_EQ(ParseScriptLine("copyfiles a b").kind, Kind::Program);
    EXPECT_EQ(ParseScriptLine("cdrecord").kind, Kind::Program);
}

}  // namespace
}  // namespace corvane::batchrun
