#include "dialogs/path_helpers.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace corvane {

QString GetDirectoryPart(const QString& path) {
    const qsizetype slash = path.lastIndexOf(u'/');
    if (slash < 0) {
        return path;
    }
    return path.left(slash);
}

QString GetShortPath(const QString& path) {
    if (path.isEmpty()) {
        return {};
    }
    return QFileInfo(path).canonicalFilePath();
}

FittedPath FitPathLength(const QString& path) {
    if (path.size() <= kMaxEnginePathLength) {
        return {path, true};
    }
    const QString shortPath = GetShortPath(path);
    if (shortPath.isEmpty()) {
        return {path, false};
    }
    return {shortPath, shortPath.size() <= kMaxEnginePathLength};
}

namespace {
QString& ProgramFolderOverride() {
    static QString folder;
    return folder;
}
}  // namespace

QString ProgramFolder() {
    const QString& override = ProgramFolderOverride();
    return override.isEmpty() ? QCoreApplication::applicationDirPath() : override;
}

void SetProgramFolderForTesting(const QString& folder) {
    ProgramFolderOverride() = folder;
}

QString ProgramDataFile(const QString& name) {
    const QDir program(ProgramFolder());
    const QString beside = program.filePath(name);
    if (QFileInfo::exists(beside)) {
        return beside;
    }
    // The installed layout: PREFIX/bin/corvane reads PREFIX/share/corvane/.
    const QString shared =
        QDir::cleanPath(program.filePath(QStringLiteral(CORVANE_DATA_FROM_PROGRAM)));
    if (QFileInfo(shared).isDir()) {
        return QDir(shared).filePath(name);
    }
    return beside;
}

}  // namespace corvane
