#pragma once

// A text file written line by line with CRLF after every line, for the engine's input files.
// Every failure is raised as a RunError that names the file and carries the system's errno.

#include <QString>
#include <cstdio>

namespace corvane {

class CrlfFile {
public:
    /// Creates `path`, or empties it when it exists.
    explicit CrlfFile(const QString& path);
    /// Closes a file that Close() did not reach, so that a retry can open it again.
    ~CrlfFile();
    CrlfFile(const CrlfFile&) = delete;
    CrlfFile& operator=(const CrlfFile&) = delete;

    /// Writes `line` as UTF-8 followed by CR LF.
    void WriteLine(const QString& line);
    /// Flushes and closes; a full disk often shows only here.
    void Close();

private:
    [[noreturn]] void Fail(const char* what, int error);

    QString path_;
    std::FILE* file_ = nullptr;
};

/// Throws an invalid-value RunError when `value` holds a carriage return or a line feed:
/// the value would break the line structure the engine reads. `what` names the value.
void RejectLineBreak(const QString& value, const QString& what, const QString& path);

}  // namespace corvane
