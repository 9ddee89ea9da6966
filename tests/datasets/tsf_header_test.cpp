#include "datasets/tsf_header.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

namespace corvane {
namespace {

// Joins lines with LF, or CRLF when asked, each line ended.
std::string Lines(std::initializer_list<std::string> lines, const char* end = "\n") {
    std::string out;
    for (const std::string& line : lines) {
        out += line;
        out += end;
    }
    return out;
}

std::string Header(const std::string& line1 = "TIMESERIES.TSF 1.3",
                   const std::string& comments = "0-", const std::string& zone = "UTC+0300",
                   const std::string& calendar = "GREGORIAN_YMD",
                   const std::string& period = "2008 01 01 01 0000 2008 12 31 23 0000 3600",
                   const std::string& variables = "2-\nWSPEED m/s\nWDIR deg") {
    return Lines({line1, comments, "station", "location", zone, calendar, period, variables});
}

TsfFailure FailureOf(const std::string& text, std::string_view kind = "MET") {
    return ReadTsfHeaderFromBuffer(text, kind).failure;
}

TEST(TsfHeader, ShortestHeaderGivesZonePeriodAndVariables) {
    const std::string text =
        Lines({"TIMESERIES.TSF 1.3", "0-", "a", "b", "UTC+0300", "GREGORIAN_YMD",
               "2008 01 01 01 0000 2008 12 31 23 0000 3600", "1-", "WDIR"}) +
        "2008 01 01 00 0000 2008 01 01 01 0000 3 270\n";
    for (const char* end : {"\n", "\r\n"}) {
        std::string input = text;
        if (std::string(end) == "\r\n") {
            input.clear();
            for (char c : text) {
                input += c == '\n' ? std::string("\r\n") : std::string(1, c);
            }
        }
        const TsfHeader header = ReadTsfHeaderFromBuffer(input);
        ASSERT_TRUE(header.ok()) << header.message;
        EXPECT_EQ(header.zone, "UTC+0300");
        EXPECT_EQ(header.zoneLine, 5);
        EXPECT_EQ(header.version, "1.3");
        EXPECT_EQ(header.start.fields, (CalendarFields{2008, 1, 1, 1, 0, 0}));
        EXPECT_EQ(header.end.fields, (CalendarFields{2008, 12, 31, 23, 0, 0}));
        EXPECT_EQ(header.start.serial, SerialFromFields({2008, 1, 1, 1, 0, 0}));
        EXPECT_EQ(header.end.texts[4], "0000");
        ASSERT_EQ(header.variables.size(), 1u);
        EXPECT_EQ(header.variables[0].name, "WDIR");
        EXPECT_EQ(header.dataLine, 10);
        EXPECT_EQ(input.substr(header.dataOffset, 4), "2008");
    }
}

TEST(TsfHeader, FirstLine) {
    EXPECT_EQ(FailureOf(Header("timeseries.tsf 1.3")), TsfFailure::None);
    EXPECT_EQ(FailureOf(Header("  TIMESERIES.TSF    1.3   extra")), TsfFailure::None);
    EXPECT_EQ(FailureOf(Header("\xEF\xBB\xBFTIMESERIES.TSF 1.3")), TsfFailure::None);
    EXPECT_EQ(FailureOf(Header("TIMESERIES.TSF\t1.3")), TsfFailure::NotTimeSeriesFile);
    EXPECT_EQ(FailureOf(Header("TIMESERIES.CSV 1.3")), TsfFailure::NotTimeSeriesFile);
    EXPECT_EQ(FailureOf(Header("")), TsfFailure::MissingField);
    EXPECT_EQ(FailureOf(Header("   ")), TsfFailure::MissingField);
    for (const char* line : {"TIMESERIES.TSF 1.30", "TIMESERIES.TSF 1.2"}) {
        const TsfHeader header = ReadTsfHeaderFromBuffer(Header(line));
        EXPECT_EQ(header.failure, TsfFailure::WrongVersion) << line;
        EXPECT_TRUE(header.keywordPassed);
        EXPECT_EQ(header.failureLine, 1);
    }
    const TsfHeader noVersion = ReadTsfHeaderFromBuffer(Header("TIMESERIES.TSF"));
    EXPECT_EQ(noVersion.failure, TsfFailure::MissingField);
    EXPECT_TRUE(noVersion.keywordPassed);
}

TEST(TsfHeader, CommentsAndZoneLine) {
    // A UTC line among the comments or the two skipped lines is not the zone line.
    const std::string commented =
        Lines({"TIMESERIES.TSF 1.3", "3 - comment lines", "UTC+0100", "c2", "c3", "UTC+0200",
               "UTC+0400", "other", "  utc-0500 ", "gregorian_ymd",
               "2008 01 01 01 0000 2008 12 31 23 0000 1", "1-", "WDIR"});
    const TsfHeader header = ReadTsfHeaderFromBuffer(commented);
    ASSERT_TRUE(header.ok()) << header.message;
    EXPECT_EQ(header.zone, "utc-0500");
    EXPECT_EQ(header.commentCount, 3);

    EXPECT_EQ(FailureOf(Header("TIMESERIES.TSF 1.3", "x-")), TsfFailure::BadCount);
    EXPECT_EQ(FailureOf(Header("TIMESERIES.TSF 1.3", "32768")), TsfFailure::BadCount);
    EXPECT_EQ(FailureOf(Header("TIMESERIES.TSF 1.3", "-")), TsfFailure::BadCount);
    EXPECT_EQ(FailureOf(Header("TIMESERIES.TSF 1.3", "0-", "")), TsfFailure::UnexpectedEnd);
    EXPECT_EQ(FailureOf(Header("TIMESERIES.TSF 1.3", "0-", "UTC", "")), TsfFailure::NoCalendarLine);
    EXPECT_EQ(FailureOf(Header("TIMESERIES.TSF 1.3", "0-", "UTC", "GREGORIAN_YMD x")),
              TsfFailure::NoCalendarLine);
}

TEST(TsfHeader, PeriodLine) {
    auto period = [](const std::string& line) {
        return ReadTsfHeaderFromBuffer(
            Header("TIMESERIES.TSF 1.3", "0-", "UTC", "GREGORIAN_YMD", line));
    };
    EXPECT_EQ(period("2008 01 01 01 0000 2008 12 31 23 0000").failure, TsfFailure::ShortPeriodLine);
    EXPECT_EQ(period("2008 01 01 01 1830 2008 07 15 23 3570 1").start.fields,
              (CalendarFields{2008, 1, 1, 1, 30, 30}));
    EXPECT_EQ(period("2008 01 01 01 1830 2008 07 15 23 3570 1").end.fields,
              (CalendarFields{2008, 7, 15, 23, 59, 30}));
    EXPECT_EQ(period(" 2008  01 01 01 0000 2008 12 31 23 0000 3600 ").failure, TsfFailure::None);
    for (const char* bad :
         {"2008 02 30 01 0000 2008 12 31 23 0000 1", "2008 01 01 24 0000 2008 12 31 23 0000 1",
          "2008 01 01 01 0000 2008 12 31 23 40000 1", "2008 01 01 01 -61 2008 12 31 23 0000 1",
          "2008 13 01 01 0000 2008 12 31 23 0000 1"}) {
        const TsfHeader header = period(bad);
        EXPECT_EQ(header.failure, TsfFailure::BadStamp) << bad;
        EXPECT_EQ(header.failureLine, 7);
        EXPECT_NE(header.message.find("line 7"), std::string::npos) << header.message;
    }
}

TEST(TsfHeader, Variables) {
    auto vars = [](const std::string& block, std::string_view kind = "MET") {
        return ReadTsfHeaderFromBuffer(Header("TIMESERIES.TSF 1.3", "0-", "UTC", "GREGORIAN_YMD",
                                              "2008 01 01 01 0000 2008 12 31 23 0000 1", block),
                                       kind);
    };
    const TsfHeader lower = vars("2-\nWSPEED  m/s\nwdir ");
    ASSERT_TRUE(lower.ok()) << lower.message;
    EXPECT_EQ(lower.variables[0].units, "m/s");
    EXPECT_EQ(lower.variables[1].name, "wdir");
    EXPECT_EQ(lower.variables[1].units, "");
    EXPECT_EQ(vars("2-\nWSPEED\nTEMP").failure, TsfFailure::NotMeteorological);
    EXPECT_EQ(vars("0-").failure, TsfFailure::NotMeteorological);
    EXPECT_EQ(vars("0-", "").failure, TsfFailure::None);
    EXPECT_EQ(vars("2-\nWDIR\n   ").failure, TsfFailure::BlankVariable);
    EXPECT_EQ(vars("3-\nWDIR\nTEMP").failure, TsfFailure::UnexpectedEnd);
    // The kind must match exactly for the WDIR test to run.
    EXPECT_EQ(vars("1-\nTEMP", "met").failure, TsfFailure::None);
}

TEST(TsfHeader, TruncatedAndGarbageInputEndWithAFailure) {
    const std::string full = Header();
    // Every cut before the name WDIR is complete leaves the header unfinished.
    for (std::size_t length = 0; length < full.rfind("WDIR") + 4; ++length) {
        const TsfHeader header = ReadTsfHeaderFromBuffer(std::string_view(full).substr(0, length));
        ASSERT_FALSE(header.ok()) << length;
    }
    std::mt19937 random(7);
    for (int round = 0; round < 200; ++round) {
        std::string bytes(static_cast<std::size_t>(random() % 4096), '\0');
        for (char& c : bytes) {
            c = static_cast<char>(random() % 8 == 0 ? '\n' : random());
        }
        if (round % 2 == 0) {
            bytes = "TIMESERIES.TSF 1.3\n" + bytes;
        }
        ASSERT_FALSE(ReadTsfHeaderFromBuffer(bytes).ok());
    }
}

TEST(TsfHeader, LargeCountsAndLongLines) {
    std::string many = "TIMESERIES.TSF 1.3\n32767-\n";
    many.reserve(many.size() + 2 * 32767 + 200);
    for (int i = 0; i < 32767; ++i) {
        many += "c\n";
    }
    EXPECT_EQ(ReadTsfHeaderFromBuffer(many).failure, TsfFailure::UnexpectedEnd);
    many += Lines({"a", "b", "UTC", "GREGORIAN_YMD", "2008 01 01 01 0000 2008 12 31 23 0000 1",
                   "1-", "WDIR"});
    const TsfHeader header = ReadTsfHeaderFromBuffer(many);
    ASSERT_TRUE(header.ok()) << header.message;
    EXPECT_EQ(header.dataLine, 32767 + 10);

    // A comment line of several megabytes is only skipped; a kept line beyond the limit ends
    // the reading instead of growing without bound.
    const std::string longComment(5 << 20, 'x');
    EXPECT_EQ(FailureOf(Header("TIMESERIES.TSF 1.3", "1-\n" + longComment)), TsfFailure::None);
    const std::string longLine(kMaxTsfHeaderLine + 10, 'y');
    EXPECT_EQ(FailureOf(Header("TIMESERIES.TSF 1.3", "0-", longLine)), TsfFailure::LineTooLong);
    EXPECT_EQ(FailureOf("TIMESERIES.TSF 1.3 " + longLine), TsfFailure::LineTooLong);
}

TEST(TsfHeader, StreamsSplitLinesAcrossReads) {
    // Put the CR of the zone line's CRLF at the end of the first 64 KiB read.
    const std::string head = "TIMESERIES.TSF 1.3\r\n1-\r\n";
    const std::string tail = "\r\nb\r\nc\r\nUTC+0300";
    const std::string comment(65535 - head.size() - tail.size(), 'z');
    const std::string text = head + comment + tail +
                             "\r\nGREGORIAN_YMD\r\n2008 01 01 01 0000 2008 12 31 23 0000 1\r\n"
                             "1-\r\nWDIR\r\nDATA";
    ASSERT_EQ(text[65535], '\r');
    std::istringstream stream(text);
    const TsfHeader header = ReadTsfHeader(stream);
    ASSERT_TRUE(header.ok()) << header.message;
    EXPECT_EQ(header.zone, "UTC+0300");
    EXPECT_EQ(text.substr(header.dataOffset), "DATA");
}

TEST(TsfHeader, Files) {
    EXPECT_EQ(ReadTsfHeaderFile("").failure, TsfFailure::CannotOpen);
    const auto folder = std::filesystem::temp_directory_path();
    EXPECT_EQ(ReadTsfHeaderFile(folder.string()).failure, TsfFailure::CannotOpen);
    const TsfHeader missing = ReadTsfHeaderFile((folder / "no-such-file.tsf").string());
    EXPECT_EQ(missing.failure, TsfFailure::CannotOpen);
    EXPECT_NE(missing.message.find("No such file"), std::string::npos) << missing.message;

    const auto path = folder / ("tsf_header_test_" + std::to_string(::getpid()) + ".tsf");
    std::ofstream(path, std::ios::binary) << Header("TIMESERIES.TSF 1.2");
    const TsfHeader header = ReadTsfHeaderFile(path.string());
    EXPECT_EQ(header.failure, TsfFailure::WrongVersion);
    EXPECT_NE(header.message.find(path.string()), std::string::npos) << header.message;
    std::filesystem::remove(path);
}

}  // namespace
}  // namespace corvane
