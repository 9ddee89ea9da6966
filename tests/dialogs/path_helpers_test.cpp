#include "dialogs/path_helpers.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

namespace corvane {
namespace {

TEST(PathHelpers, DirectoryPartIsEverythingBeforeTheLastSeparator) {
    EXPECT_EQ(GetDirectoryPart(u"/data/a.tsf"_s), u"/data"_s);
    EXPECT_EQ(GetDirectoryPart(u"/a.tsf"_s), QString());
    EXPECT_EQ(GetDirectoryPart(u"a.tsf"_s), u"a.tsf"_s);
    EXPECT_EQ(GetDirectoryPart(u"/x/"_s), u"/x"_s);
    EXPECT_EQ(GetDirectoryPart(QString()), QString());
}

class FitPathLengthTest : public ::testing::Test {
protected:
    // A real file whose canonical path is short, reached through a long detour of "./".
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        file_ = dir_.filePath(u"a.tsf"_s);
        QFile f(file_);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    QString Padded(int length) const {
        QString path = dir_.path();
        while (path.size() + 8 < length) {
            path += u"/."_s;
        }
        path += u"/a.tsf"_s;
        while (path.size() < length) {
            path.insert(dir_.path().size(), u'/');  // doubled separators resolve too
        }
        return path;
    }
    QTemporaryDir dir_;
    QString file_;
};

TEST_F(FitPathLengthTest, PathsUpToTheLimitPassUnchanged) {
    const QString path = Padded(kMaxEnginePathLength);
    ASSERT_EQ(path.size(), kMaxEnginePathLength);
    const FittedPath fitted = FitPathLength(path);
    EXPECT_TRUE(fitted.fits);
    EXPECT_EQ(fitted.text, path);
}

TEST_F(FitPathLengthTest, LongerPathsAreReplacedByTheirShortForm) {
    const QString path = Padded(kMaxEnginePathLength + 1);
    ASSERT_EQ(path.size(), kMaxEnginePathLength + 1);
    const FittedPath fitted = FitPathLength(path);
    EXPECT_TRUE(fitted.fits);
    EXPECT_EQ(fitted.text, QFileInfo(file_).canonicalFilePath());
}

TEST_F(FitPathLengthTest, AMissingLongPathIsKeptAndReportedNotFitting) {
    const QString path = dir_.path() + u'/' + QString(200, u'x') + u".tsf"_s;
    const FittedPath fitted = FitPathLength(path);
    EXPECT_FALSE(fitted.fits);
    EXPECT_EQ(fitted.text, path) << "an entry is never replaced by an empty text";
}

TEST_F(FitPathLengthTest, AnExistingPathWhoseShortFormIsStillTooLongDoesNotFit) {
    const QString deep = dir_.path() + u'/' + QString(140, u'd');
    ASSERT_TRUE(QDir().mkpath(deep));
    QFile f(deep + u"/b.tsf"_s);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    const FittedPath fitted = FitPathLength(f.fileName());
    EXPECT_FALSE(fitted.fits);
    EXPECT_EQ(fitted.text, QFileInfo(f.fileName()).canonicalFilePath());
}

}  // namespace
}  // namespace corvane
