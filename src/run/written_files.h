#pragma once

// The files this program wrote during this session, so that a run asks before it replaces
// a file of someone else's but not before it replaces its own. A file is known by what
// identifies its content on disk (device, inode, size, modification and change time), not
// by its path: a file that someone replaced or changed since is not this program's any more.
// QtCore and POSIX only.

#include <QString>
#include <QStringList>
#include <optional>
#include <set>
#include <tuple>

namespace corvane {

struct FileStamp {
    unsigned long long device = 0;
    unsigned long long inode = 0;
    long long size = 0;
    long long modifiedSeconds = 0;
    long long modifiedNanoseconds = 0;
    long long changedSeconds = 0;
    long long changedNanoseconds = 0;

    auto operator<=>(const FileStamp&) const = default;
    /// True when this file was modified no earlier than `other`.
    bool ModifiedNoEarlierThan(const FileStamp& other) const {
        return std::tie(modifiedSeconds, modifiedNanoseconds) >=
               std::tie(other.modifiedSeconds, other.modifiedNanoseconds);
    }
};

/// The stamp of the file `path` leads to; nullopt when there is none or it is a folder.
std::optional<FileStamp> StampOf(const QString& path);

class WrittenFiles {
public:
    /// Notes the file at `path`, as it is now, as written by this program.
    void Note(const QString& path);
    /// Notes those of `paths` that were modified no earlier than `since` (the files a
    /// program of this run wrote) and returns them.
    QStringList NoteModifiedSince(const QStringList& paths, const FileStamp& since);
    /// True when the file at `path` is one this program wrote and nobody changed since.
    bool Wrote(const QString& path) const;

private:
    std::set<FileStamp> stamps_;
};

/// The one record of the running program.
WrittenFiles& SessionWrittenFiles();

/// The names among `names` of files in `folder` (ending in "/") that exist and that
/// `written` does not hold: a run must ask before it replaces them.
QStringList FilesOfOthers(const QString& folder, const QStringList& names,
                          const WrittenFiles& written);

}  // namespace corvane
