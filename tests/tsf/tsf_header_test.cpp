#include "tsf/tsf_header.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "tsf/text_scan.h"
#include "tsf/tsf_site.h"

namespace corvane {
namespace {

// A valid header whose line `index` (0: the keyword line) is replaced by `text`.
std::string Header(int index = -1, const std::string& text = {}, const char* end = "\n") {
    std::string lines[] = {"TIMESERIES.TSF 1.3",
                           "0-",
                           "a",
                           "b",
                           "UTC+0300",
                           "GREGORIAN_YMD",
                           "2008 01 01 01 1830 2008 07 15 23 3570 1",
                           "1-" + std::string(end) + "WDIR"};
    if (index >= 0) {
        lines[index] = text;
    }
    std::string out;
    for (const std::string& line : lines) {
        out += line + end;
    }
    return out;
}

TEST(TsfHeader, ShortestHeaderAndEachLineAsWritten) {
    for (const char* end : {"\n", "\r\n"}) {
        const std::string input = Header(-1, {}, end) + "2008 01 01";
        const TsfHeader header = ReadTsfHeaderFromBuffer(input);
        ASSERT_TRUE(header.ok()) << header.message;
        EXPECT_EQ(header.end.fields, (CalendarFields{2008, 7, 15, 23, 59, 30}));
        EXPECT_EQ(header.variables.at(0).name, "WDIR");
        EXPECT_EQ(header.dataLine, 10);
        EXPECT_EQ(input.substr(header.dataOffset), "2008 01 01");
    }

    using enum TsfFailure;
    const struct {
        int line;
        std::string text;
        TsfFailure failure;
        std::string_view kind = "MET";
    } cases[] = {
        {0, "timeseries.tsf 1.3", None},
        {0, "\xEF\xBB\xBFTIMESERIES.TSF 1.3", None},
        {0, "TIMESERIES.TSF\t1.3", NotTimeSeriesFile},
        {0, "TIMESERIES.TSF 1.30", WrongVersion},
        {1, "x-", BadCount},
        {1, "32768", BadCount},
        {5, "GREGORIAN_YMD x", NoCalendarLine},
        {5, "gregorian_ymd", None},
        {6, "2008 01 01 01 0000 2008 12 31 23 0000", ShortPeriodLine},
        {6, " 2008  01 01 01 0000 2008 12 31 23 0000 1 ", None},
        {7, "2-\nWSPEED  m/s\nwdir ", None},
        {7, "2-\nWSPEED\nTEMP", NotMeteorological},
        {7, "2-\nWDIR\n   ", BlankVariable},
    };
    for (const auto& c : cases) {
        const std::string text = Header(c.line, c.text);
        EXPECT_EQ(ReadTsfHeaderFromBuffer(text, c.kind).failure, c.failure) << text;
    }
    const TsfHeader units = ReadTsfHeaderFromBuffer(Header(7, "2-\nWSPEED  m/s\nwdir "));
    EXPECT_EQ(units.variables.at(0).units, "m/s");
    EXPECT_EQ(units.variables.at(1).units, "");
    // A UTC line among the comments or the two skipped lines is not the zone line.
    const TsfHeader commented = ReadTsfHeaderFromBuffer(
        Header(1, "3 - comments\nUTC+0100\nc2\nc3\nUTC+0200\nUTC+0400\n  utc-0500 "));
    EXPECT_EQ(commented.zone, "utc-0500");
    EXPECT_EQ(commented.commentCount, 3);
}

TEST(TsfHeader, TheFirstCommentLineThatBeginsWithSiteNamesTheSite) {
    const std::pair<std::string, std::string> cases[] = {
        // line 2 and the comment lines, the site
        {"3-\nmodel run 7\n  SITE:\tHamburg-Fuhlsb\xC3\xBCttel (10147) \r\nSite: Bremen",
         "Hamburg-Fuhlsb\xC3\xBCttel (10147)"},
        {"2-\nSite:\nSite: Bremen", ""},
        {"2-\nSites: Bremen\nOn site: Bremen", ""},
        {"1-\nc\nSite: Bremen", ""},  // the line after the comments is none
    };
    for (const auto& [lines, site] : cases) {
        const TsfHeader header = ReadTsfHeaderFromBuffer(Header(1, lines));
        EXPECT_TRUE(header.ok()) << header.message;
        EXPECT_EQ(header.site, site) << lines;
    }
    // A site beyond the limit is cut before a character, not inside it.
    EXPECT_EQ(ReadTsfHeaderFromBuffer(
                  Header(1, "1-\nSite: " + std::string(kMaxTsfSiteLength - 1, 'e') + "\xC3\xA9"))
                  .site.size(),
              kMaxTsfSiteLength - 1);
}

TEST(TsfSite, SitesAreComparedTrimmedAndWithoutLetterCase) {
    EXPECT_TRUE(SameSite("M\xC3\xBCnchen \xC5\xBB\xC3\xB3\xC5\x82w",
                         " M\xC3\x9CNCHEN \xC5\xBC\xC3\x93\xC5\x81W\t"));  // München Żółw
    EXPECT_TRUE(SameSite("\xD0\x9C\xD0\xBE\xD1\x81\xD0\xBA\xD0\xB2\xD0\xB0",
                         "\xD0\xBC\xD0\x9E\xD0\xA1\xD0\x9A\xD0\x92\xD0\x90"));  // Москва
    EXPECT_FALSE(SameSite("Ulm", "Uml"));
    EXPECT_FALSE(SameSite("a\xC3", "a\xE3")) << "bytes that are not UTF-8 compare as they stand";
    EXPECT_TRUE(SitesDiffer("Hamburg", "Bremen"));
    EXPECT_FALSE(SitesDiffer("", "Bremen")) << "a file without a site is not compared";
}

// What an output shows of a text from outside: control characters escaped, everything else
// (UTF-8 letters, a no-break space, backslashes) byte for byte; a long text is cut first.
TEST(ShownText, EscapesControlCharactersOnly) {
    const std::string ordinary = "C:\\runs\\Z\xC3\xBCrich\xC2\xA0\xE2\x80\x93 \"a\" 'b' \xFF";
    EXPECT_EQ(ShownText(ordinary), ordinary);
    EXPECT_EQ(ShownText(std::string("a\tb\nc\rd\x1b[0m\x7f\0e\xC2\x9b\xC2\x80", 18)),
              "a\\tb\\nc\\rd\\x1b[0m\\x7f\\x00e\\u009b\\u0080");
    EXPECT_EQ(ShownText("\xC2"), "\xC2");
    const std::string excerpt = Excerpt(std::string(300, '\x1b'));
    EXPECT_EQ(excerpt.size(), (96 + 100) * 4 + 3);
    EXPECT_EQ(excerpt.substr(0, 8), "\\x1b\\x1b");
}

TEST(TsfHeader, HostileInputAndFilesEndWithAFailure) {
    const std::string full = Header();
    for (std::size_t length = 0; length < full.rfind("WDIR") + 4; ++length) {
        ASSERT_FALSE(ReadTsfHeaderFromBuffer(std::string_view(full).substr(0, length)).ok());
    }
    std::string many = "32767-";
    for (int i = 0; i < 32767; ++i) {
        many += "\nc";
    }
    EXPECT_EQ(ReadTsfHeaderFromBuffer(Header(1, many).substr(0, 20 + many.size())).failure,
              TsfFailure::UnexpectedEnd);
    EXPECT_EQ(ReadTsfHeaderFromBuffer(Header(1, many)).dataLine, 32767 + 10);
    // A comment of several megabytes is skipped; a kept line beyond the limit ends the reading.
    EXPECT_TRUE(ReadTsfHeaderFromBuffer(Header(1, "1-\n" + std::string(5 << 20, 'x'))).ok());
    EXPECT_EQ(ReadTsfHeaderFromBuffer(Header(4, std::string(kMaxTsfHeaderLine + 10, 'y'))).failure,
              TsfFailure::LineTooLong);

    // Files: an empty path, a folder; a message names the line, never the path (the caller
    // puts it in front).
    const auto folder = std::filesystem::temp_directory_path();
    EXPECT_EQ(ReadTsfHeaderFile("").failure, TsfFailure::CannotOpen);
    EXPECT_EQ(ReadTsfHeaderFile(folder.string()).message, "cannot open the file: it is a folder");
    const auto path = folder / ("tsf_header_test_" + std::to_string(::getpid()) + ".tsf");
    std::ofstream(path, std::ios::binary) << Header(0, "TIMESERIES.TSF 1.2");
    EXPECT_EQ(ReadTsfHeaderFile(path.string()).message,
              "line 1: the header version is \"1.2\", not 1.3");
    std::filesystem::remove(path);
}

// Each message says what is wrong, in the terms of the file.
TEST(TsfHeader, MessagesSayWhyAStampOrACountIsWrong) {
    const std::pair<std::string, std::string> cases[] = {
        {Header(1, "-4 - comments"),
         "line 2: the line \"-4 - comments\" does not begin with the number of comment lines, a "
         "number from 0 to 32767 before a \"-\""},
        {Header(6, "2008 02 30 01 0000 2008 07 15 23 3570 1"),
         "line 7: the start stamp \"2008 02 30 01 0000\" names no time: February 2008 has 29 "
         "days, not a day 30"},
        {Header(6, "2008 01 01 01 0000 2008 07 15 24 0000 1"),
         "line 7: the end stamp \"2008 07 15 24 0000\" names no time: hour 24 is not 0 to 23 (the "
         "hour that ends a day is hour 0 of the next)"},
        {Header(6, "2008 07 00 01 0000 2008 07 15 23 3570 1"),
         "line 7: the start stamp \"2008 07 00 01 0000\" names no time: July 2008 has 31 days, "
         "not a day 0"},
        {Header(6, "0 01 01 01 0000 2008 07 15 23 3570 1"),
         "line 7: the start stamp \"0 01 01 01 0000\" names no time: year 0 is outside 100 to "
         "9999"},
    };
    for (const auto& [text, message] : cases) {
        EXPECT_EQ(ReadTsfHeaderFromBuffer(text).message, message);
    }
}

}  // namespace
}  // namespace corvane
