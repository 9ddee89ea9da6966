#include "batchrun/script_line.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "batchrun/script_reader.h"

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
    EXPECT_EQ(ParseScriptLine("c:\r").kind, Kind::Drive);
    EXPECT_EQ(ParseScriptLine("/bin/false x:").kind, Kind::Program);
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
    // The run script's drive line: the folder of the next line's cd up to its first ":".
    EXPECT_TRUE(IsDriveLineOf("/tmp/a:", ParseScriptLine("cd \"/tmp/a:b/\"")));
    EXPECT_TRUE(IsDriveLineOf("/t:", ParseScriptLine("cd \"/t:1/x:y/\"")));
    EXPECT_TRUE(IsDriveLineOf("/:", ParseScriptLine("cd \"/\"")));
    EXPECT_FALSE(IsDriveLineOf("/tmp/a:b/:", ParseScriptLine("cd \"/tmp/a:b/\"")));
    EXPECT_FALSE(IsDriveLineOf("/tmp/a:", ParseScriptLine("\"/tmp/a\"")));
}

// Reads `text` through a reader that gets `chunk` bytes a call; each line as "number:text",
// "number:too long" or "number:NUL".
std::vector<std::string> ReadLines(const std::string& text, std::size_t chunk) {
    std::size_t offset = 0;
    ScriptReader reader([&](char* buffer, std::size_t size) {
        const std::size_t count = std::min({size, chunk, text.size() - offset});
        std::copy_n(text.data() + offset, count, buffer);
        offset += count;
        return static_cast<long>(count);
    });
    std::vector<std::string> lines;
    while (const auto line = reader.Next()) {
        lines.push_back(std::to_string(line->number) + ":" +
                        (line->tooLong    ? "too long"
                         : line->holdsNul ? "NUL"
                                          : line->text));
    }
    return lines;
}

TEST(ScriptReader, EndsLinesAtCrLfLfOrCrAndBoundsThem) {
    const std::string longest(kMaxScriptLineBytes, 'x');
    const std::string text =
        "a\r\nb\nc\rd\r\r\n" + longest + "\n" + longest + "y\r" + std::string("e\0f\n", 4) + "last";
    const Words expected{
        "1:a", "2:b", "3:c", "4:d", "5:", "6:" + longest, "7:too long", "8:NUL", "9:last"};
    for (const std::size_t chunk : {std::size_t{1}, std::size_t{7}, text.size()}) {
        SCOPED_TRACE(chunk);
        EXPECT_EQ(ReadLines(text, chunk), expected);
    }
    EXPECT_TRUE(ReadLines("", 1).empty());
}

TEST(ScriptReader, DropsAByteOrderMarkOnlyInFrontOfTheFirstLine) {
    const std::string bom = "\xEF\xBB\xBF";
    const std::string text = bom + "/tmp/a:\r\ncd \"/tmp/a\"\r\n" + bom + "x\r\n";
    for (const std::size_t chunk : {std::size_t{1}, std::size_t{2}, text.size()}) {
        SCOPED_TRACE(chunk);
        EXPECT_EQ(ReadLines(text, chunk),
                  (Words{"1:/tmp/a:", "2:cd \"/tmp/a\"", "3:" + bom + "x"}));
    }
    EXPECT_EQ(ReadLines(bom, 1), Words{"1:"});
}

}  // namespace
}  // namespace corvane::batchrun
