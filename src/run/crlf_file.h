#pragma once

// A text file written line by line with CRLF after every line, for the engine's input files.
// The lines go to a temporary file beside the target, which replaces the target only once
// it is complete: a failed write leaves the previous file as it was. Every failure is raised
// as a RunError that names the target and carries the system's errno.

#include <QString>
#include <cstdio>

namespace corvane {

class CrlfFile {
public:
    /// Starts the file that Close() puts at `path`.
    explicit CrlfFile(const QString& path);
    /// Removes the temporary file of a write that Close() did not complete.
    ~CrlfFile();
    CrlfFile(const CrlfFile&) = delete;
    CrlfFile& operator=(const CrlfFile&) = delete;

    /// Writes `line` as UTF-8 followed by CR LF.
    void WriteLine(const QString& line);
    /// Writes `bytes` as they stand.
    void Write(const QByteArray& bytes);
    /// Flushes, syncs and renames the file over `path`; a full disk often shows only here.
    void Close();

private:
    [[noreturn]] void Fail(const char* what, int error);

    QString path_;
    QByteArray temporary_;  ///< the file being written, beside the target
    std::FILE* file_ = nullptr;
};

/// Throws an invalid-value RunError when `value` holds a carriage return or a line feed:
/// the value would break the line structure the engine reads. `what` names the value.
void RejectLineBreak(const QString& value, const QString& what, const QString& path);

}  // namespace corvane
