#include "run/written_files.h"

#include <sys/stat.h>

#include <QFile>

namespace corvane {

std::optional<FileStamp> StampOf(const QString& path) {
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0 || S_ISDIR(status.st_mode)) {
        return std::nullopt;
    }
    return FileStamp{static_cast<unsigned long long>(status.st_dev),
                     static_cast<unsigned long long>(status.st_ino),
                     static_cast<long long>(status.st_size),
                     static_cast<long long>(status.st_mtim.tv_sec),
                     static_cast<long long>(status.st_mtim.tv_nsec),
                     static_cast<long long>(status.st_ctim.tv_sec),
                     static_cast<long long>(status.st_ctim.tv_nsec)};
}

void WrittenFiles::Note(const QString& path) {
    if (const std::optional<FileStamp> stamp = StampOf(path)) {
        stamps_.insert(*stamp);
    }
}

QStringList WrittenFiles::NoteModifiedSince(const QStringList& paths, const FileStamp& since) {
    QStringList noted;
    for (const QString& path : paths) {
        const std::optional<FileStamp> stamp = StampOf(path);
        if (stamp && stamp->ModifiedNoEarlierThan(since)) {
            stamps_.insert(*stamp);
            noted << path;
        }
    }
    return noted;
}

bool WrittenFiles::Wrote(const QString& path) const {
    const std::optional<FileStamp> stamp = StampOf(path);
    return stamp && stamps_.contains(*stamp);
}

WrittenFiles& SessionWrittenFiles() {
    static WrittenFiles files;
    return files;
}

QStringList FilesOfOthers(const QString& folder, const QStringList& names,
                          const WrittenFiles& written) {
    QStringList others;
    for (const QString& name : names) {
        const QString path = folder + name;
        if (StampOf(path) && !written.Wrote(path)) {
            others << name;
        }
    }
    return others;
}

}  // namespace corvane
