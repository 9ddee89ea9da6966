// Every manual page of docs/man whose program is built: the options its OPTIONS section
// lists are those its program's --help names, both ways, and `man` renders it without a
// warning, as lintian checks it.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

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

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

/// Whether `word` is an option: one or two dashes, a letter, then letters, digits or dashes
/// ("-" alone, standard input, is an operand).
bool IsOption(std::string_view word) {
    const std::size_t dashes = word.starts_with("--") ? 2 : word.starts_with('-') ? 1 : 0;
    if (dashes == 0 || word.size() == dashes ||
        std::isalpha(static_cast<unsigned char>(word[dashes])) == 0) {
        return false;
    }
    return std::all_of(word.begin() + dashes, word.end(),
                       [](unsigned char c) { return std::isalnum(c) != 0 || c == '-'; });
}

/// The options --help names: option words at a line's start or after a blank, "[", "|", "(".
std::set<std::string> HelpOptions(const std::string& help) {
    std::set<std::string> options;
    for (std::size_t i = 0; i < help.size(); ++i) {
        if (help[i] != '-' ||
            (i > 0 && std::string_view(" \t\n[|(").find(help[i - 1]) == std::string_view::npos)) {
            continue;
        }
        std::size_t end = i;
        while (end < help.size() &&
               (std::isalnum(static_cast<unsigned char>(help[end])) != 0 || help[end] == '-')) {
            ++end;
        }
        if (IsOption(std::string_view(help).substr(i, end - i))) {
            options.insert(help.substr(i, end - i));
        }
        i = end;
    }
    return options;
}

/// The arguments of a request line (".BR a b") after the request itself, as troff splits them
/// (double quotes group words), with "\-" read as "-".
std::vector<std::string> RequestArguments(const std::string& line) {
    std::vector<std::string> arguments;
    std::size_t i = line.find(' ');
    while (i < line.size()) {
        if (line[i] == ' ') {
            ++i;
            continue;
        }
        const bool quoted = line[i] == '"';
        std::string argument;
        for (i += quoted ? 1 : 0; i < line.size() && line[i] != (quoted ? '"' : ' '); ++i) {
            i += line.compare(i, 2, "\\-") == 0 ? 1 : 0;
            argument += line[i];
        }
        arguments.push_back(argument);
        ++i;
    }
    return arguments;
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

/// The options the OPTIONS section lists: the bold words of each tag line (the line after
/// .TP or .TQ, a .B or .BR request) that are options.
std::set<std::string> PageOptions(const std::string& page) {
    std::set<std::string> options;
    std::istringstream lines(page);
    std::string line;
    bool inOptions = false;
    bool tagNext = false;
    while (std::getline(lines, line)) {
        if (line.rfind(".SH", 0) == 0) {
            inOptions = SectionName(line) == "OPTIONS";
            continue;
        }
        if (!inOptions) {
            continue;
        }
        const bool bold = line.rfind(".B ", 0) == 0;
        if (tagNext && (bold || line.rfind(".BR ", 0) == 0)) {
            const std::vector<std::string> arguments = RequestArguments(line);
            for (std::size_t i = 0; i < arguments.size(); i += bold ? 1 : 2) {
                if (IsOption(arguments[i])) {
                    options.insert(arguments[i]);
                }
            }
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
        const std::set<std::string> helpOptions = HelpOptions(help.output);
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
