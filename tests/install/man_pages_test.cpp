// Every manual page of docs/man whose program is built: the options its OPTIONS section
// lists are those its program's --help names, both ways, and `man` renders it without a
// warning, as lintian checks it.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "support/files.h"
#include "support/shell_command.h"

namespace corvane::testing {
namespace {

struct ManPage {
    std::string page;
    std::string program;
};

std::vector<ManPage> BuiltPages() {
    std::vector<ManPage> pages;
    std::stringstream pairs(CORVANE_MAN_PAGES);
    std::string pair;
    while (std::getline(pairs, pair, '|')) {
        const std::size_t equals = pair.find('=');
        pages.push_back({pair.substr(0, equals), pair.substr(equals + 1)});
    }
    return pages;
}

/// The options in `text`: one or two dashes and a letter, then letters, digits or dashes,
/// at the start or after a blank, "[", "|" or "(" ("-" alone, standard input, is an
/// operand). Manual pages write the dashes as "\-".
std::set<std::string> Options(std::string text) {
    for (std::size_t at; (at = text.find("\\-")) != std::string::npos;) {
        text.erase(at, 1);
    }
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '[' || c == '|' || c == '('; }, ' ');
    std::set<std::string> options;
    std::istringstream words(text);
    for (std::string word; words >> word;) {
        const std::size_t dashes = word.find_first_not_of('-');
        if ((dashes == 1 || dashes == 2) &&
            std::isalpha(static_cast<unsigned char>(word[dashes]))) {
            options.insert(word.substr(0, word.find_first_of("=,.;:)]'\"")));
        }
    }
    return options;
}

/// The heading of a .SH line without its quotes ("EXIT STATUS"); empty for any other line.
std::string SectionName(const std::string& line) {
    if (line.rfind(".SH ", 0) != 0) {
        return {};
    }
    std::string name = line.substr(4);
    std::erase(name, '"');
    return name;
}

/// The options the OPTIONS section lists: those of each tag line (the line after .TP or
/// .TQ, a .B or .BR request).
std::set<std::string> PageOptions(const std::string& page) {
    std::set<std::string> options;
    std::istringstream lines(page);
    bool inOptions = false;
    bool tagNext = false;
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind(".SH", 0) == 0) {
            inOptions = SectionName(line) == "OPTIONS";
        } else if (inOptions && tagNext && line.rfind(".B", 0) == 0) {
            options.merge(Options(line.substr(line.find(' ') + 1)));
        }
        tagNext = line == ".TP" || line == ".TQ";
    }
    return options;
}

TEST(ManPages, ListTheOptionsThatHelpNames) {
    ASSERT_FALSE(BuiltPages().empty());
    for (const ManPage& page : BuiltPages()) {
        const CommandResult help = RunShellCommand(ShellQuoted(page.program) + " --help");
        ASSERT_EQ(help.status, 0) << page.program << " --help\n" << help.output;
        const std::set<std::string> helpOptions = Options(help.output);
        const std::set<std::string> pageOptions = PageOptions(ReadFile(page.page));
        EXPECT_FALSE(pageOptions.empty()) << page.page << " lists no option";
        EXPECT_EQ(helpOptions, pageOptions)
            << "first: " << page.program << " --help, second: " << page.page;
    }
}

TEST(ManPages, HaveTheUsualSectionsAndRenderWithoutWarnings) {
    for (const ManPage& page : BuiltPages()) {
        const std::string text = ReadFile(page.page);
        EXPECT_EQ(text.rfind(".TH ", 0), 0U) << page.page << " does not begin with .TH";
        std::vector<std::string> sections;
        std::istringstream lines(text);
        for (std::string line; std::getline(lines, line);) {
            if (!SectionName(line).empty()) {
                sections.push_back(SectionName(line));
            }
        }
        if (sections.size() > 5 && sections[5] == "FILES") {
            sections.erase(sections.begin() + 5);
        }
        EXPECT_EQ(sections, (std::vector<std::string>{"NAME", "SYNOPSIS", "DESCRIPTION", "OPTIONS",
                                                      "EXIT STATUS", "EXAMPLES", "SEE ALSO"}))
            << page.page;

        // What lintian runs: groff's warnings come on standard error, the page on standard
        // output.
        const CommandResult warnings =
            RunShellCommand("LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z " +
                            ShellQuoted(page.page) + " 2>&1 >/dev/null");
        EXPECT_EQ(warnings.status, 0) << page.page;
        EXPECT_EQ(warnings.output, "") << page.page;
    }
}

}  // namespace
}  // namespace corvane::testing
