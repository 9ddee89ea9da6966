// The script of COMPARE...: the runs in their order, and values it cannot carry.

#include "run/compare_script.h"

#include <gtest/gtest.h>

#include "run/run_error.h"

using namespace Qt::StringLiterals;

namespace corvane {
namespace {

TEST(CompareScriptBytes, TheReferenceFirstThenTheOthersInTheirOrder) {
    EXPECT_EQ(CompareScriptBytes(u"/home/ann/runs/new/"_s, u"/opt/corvane/bin/"_s, u"new"_s,
                                 u"/home/ann/runs/new/wxcheck.inp"_s,
                                 {u"/home/ann/runs/old b/wxcheck.inp"_s, u"/srv/Zürich.inp"_s}),
              QByteArray("/home/ann/runs/new/:\r\n"
                         "cd \"/home/ann/runs/new/\"\r\n"
                         "\"/opt/corvane/bin/wxcheck\" --compare "
                         "\"/home/ann/runs/new/wxcheck.inp\" "
                         "\"/home/ann/runs/old b/wxcheck.inp\" \"/srv/Zürich.inp\" "
                         "-o \"/home/ann/runs/new/\" --root \"new\"\r\n"));
    EXPECT_TRUE(CompareScriptBytes(u"/o/"_s, u"/"_s, u"r"_s, u"/o/wxcheck.inp"_s, {u"/a"_s})
                    .contains("\"//wxcheck\" --compare"));
}

// A value that would split into other words or lines, and a run without root name, refuse
// the script before it is written, naming the value.
TEST(CompareScriptBytes, ValuesTheScriptCannotCarryAreRefused) {
    const struct {
        QString folder, root, other, message;
    } cases[] = {
        {u"/o/"_s, u"r"_s, u"/a/say\"hi.inp"_s,
         u"The control file /a/say\"hi.inp holds a double quote, which the script "
         u"compare_wxcheck.bat cannot carry"_s},
        {u"/o/"_s, u"r"_s, u"/a/two\nlines.inp"_s,
         u"The control file \"/a/two\nlines.inp\" holds a line break, which the script "
         u"compare_wxcheck.bat cannot carry"_s},
        {u"/o\"/"_s, u"r"_s, u"/a.inp"_s,
         u"The output folder /o\"/ holds a double quote, which the script compare_wxcheck.bat "
         u"cannot carry"_s},
        {u"/o/"_s, QString(), u"/a.inp"_s,
         u"The comparison names its outputs by the output root name, and this run has none"_s},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message.toStdString());
        try {
            CompareScriptBytes(c.folder, u"/bin"_s, c.root, u"/o/wxcheck.inp"_s, {c.other});
            ADD_FAILURE() << "accepted";
        } catch (const RunError& error) {
            EXPECT_EQ(error.description(), c.message);
            EXPECT_EQ(error.number(), RunError::kInvalidValue);
        }
    }
}

}  // namespace
}  // namespace corvane
