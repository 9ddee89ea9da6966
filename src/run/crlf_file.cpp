#include "run/crlf_file.h"

#include <QFile>
#include <cerrno>
#include <cstring>

#include "run/run_error.h"

namespace corvane {

CrlfFile::CrlfFile(const QString& path) : path_(path) {
    errno = 0;
    file_ = std::fopen(QFile::encodeName(path).constData(), "wb");
    if (file_ == nullptr) {
        Fail("create", errno);
    }
}

CrlfFile::~CrlfFile() {
    if (file_ != nullptr) {
        std::fclose(file_);
    }
}

void CrlfFile::WriteLine(const QString& line) {
    QByteArray bytes = line.toUtf8();
    bytes.append("\r\n", 2);
    errno = 0;
    if (std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), file_) !=
        static_cast<std::size_t>(bytes.size())) {
        Fail("write", errno);
    }
}

void CrlfFile::Close() {
    errno = 0;
    const bool flushed = std::fflush(file_) == 0 && std::ferror(file_) == 0;
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
