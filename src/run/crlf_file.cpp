#include "run/crlf_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "run/run_error.h"

namespace corvane {

CrlfFile::CrlfFile(const QString& path) : path_(path) {
    // A hidden name beside the target, unique to this process; one left by a killed
    // program is skipped, never opened.
    const QFileInfo target(path);
    const QByteArray stem =
        QFile::encodeName(target.path() + QStringLiteral("/.") + target.fileName()) + '.' +
        QByteArray::number(::getpid()) + '.';
    for (int attempt = 0; file_ == nullptr; ++attempt) {
        temporary_ = stem + QByteArray::number(attempt) + ".tmp";
        errno = 0;
        const int fd =
            ::open(temporary_.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST && attempt < 100) {
                continue;
            }
            const int error = errno;
            temporary_.clear();
            Fail("create", error);
        }
        file_ = ::fdopen(fd, "wb");
        if (file_ == nullptr) {
            const int error = errno;
            ::close(fd);
            ::unlink(temporary_.constData());
            temporary_.clear();
            Fail("create", error);
        }
    }
}

CrlfFile::~CrlfFile() {
    if (file_ != nullptr) {
        std::fclose(file_);
    }
    if (!temporary_.isEmpty()) {
        ::unlink(temporary_.constData());
    }
}

void CrlfFile::WriteLine(const QString& line) {
    Write(line.toUtf8() + "\r\n");
}

void CrlfFile::Write(const QByteArray& bytes) {
    errno = 0;
    if (std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), file_) !=
        static_cast<std::size_t>(bytes.size())) {
        Fail("write", errno);
    }
}

void CrlfFile::Close() {
    errno = 0;
    const bool flushed =
        std::fflush(file_) == 0 && std::ferror(file_) == 0 && ::fsync(::fileno(file_)) == 0;
    const int flushError = errno;
    std::FILE* file = file_;
    file_ = nullptr;
    errno = 0;
    const bool closed = std::fclose(file) == 0;
    if (!flushed) {
        Fail("write", flushError);
    }
    if (!closed) {
        Fail("close", errno);
    }
    errno = 0;
    if (::rename(temporary_.constData(), QFile::encodeName(path_).constData()) != 0) {
        Fail("replace", errno);
    }
    temporary_.clear();
}

void CrlfFile::Fail(const char* what, int error) {
    const int number = error != 0 ? error : EIO;
    throw RunError(
        QStringLiteral("Cannot %1 \"%2\": %3")
            .arg(QString::fromLatin1(what), path_, QString::fromLocal8Bit(std::strerror(number))),
        number);
}

void RejectLineBreak(const QString& value, const QString& what, const QString& path) {
    if (value.contains(u'\n') || value.contains(u'\r')) {
        throw RunError(
            QStringLiteral("Cannot write \"%1\": the %2 holds a line break").arg(path, what),
            RunError::kInvalidValue);
    }
}

}  // namespace corvane
