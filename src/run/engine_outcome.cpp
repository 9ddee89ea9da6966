#include "run/engine_outcome.h"

#include <QFile>
#include <QFileInfo>
#include <charconv>

namespace corvane {
namespace {

// A whole decimal number without sign, as the status line writes it.
bool ParseCount(QByteArrayView text, qint64& value) {
    const char* end = text.data() + text.size();
    return !text.isEmpty() && text.front() != '+' && text.front() != '-' &&
           std::from_chars(text.data(), end, value).ptr == end;
}

}  // namespace

EngineOutcome ParseExitStatusLine(QByteArrayView line) {
    EngineOutcome outcome;
    if (line == "Exit status: 0 (every station evaluated)") {
        outcome.kind = EngineOutcome::Kind::AllEvaluated;
    } else if (line == "Exit status: 2 (nothing evaluated; see ERRORS)") {
        outcome.kind = EngineOutcome::Kind::NoneEvaluated;
    } else {
        constexpr QByteArrayView kStart = "Exit status: 1 (";
        constexpr QByteArrayView kEnd = " stations evaluated; see ERRORS)";
        if (!line.startsWith(kStart) || !line.endsWith(kEnd)) {
            return outcome;
        }
        const QByteArrayView counts =
            line.sliced(kStart.size(), line.size() - kStart.size() - kEnd.size());
        const qsizetype of = counts.indexOf(QByteArrayView(" of "));
        if (of < 0 || !ParseCount(counts.first(of), outcome.evaluated) ||
            !ParseCount(counts.sliced(of + 4), outcome.listed)) {
            return EngineOutcome{};
        }
        outcome.kind = EngineOutcome::Kind::SomeEvaluated;
    }
    return outcome;
}

EngineOutcome ReadEngineOutcome(const QString& path) {
    QFile file(path);
    // Opening a named pipe would wait for a writer: only a plain file is read.
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) {
        return {};
    }
    const qint64 size = file.size();
    if (size > kStatusTail && !file.seek(size - kStatusTail)) {
        return {};
    }
    QByteArray tail = file.read(kStatusTail);
    while (tail.endsWith('\n') || tail.endsWith('\r')) {
        tail.chop(1);
    }
    const qsizetype lineStart = tail.lastIndexOf('\n') + 1;
    // Without a line end before it, the last line may begin before the tail read.
    if (lineStart == 0 && size > kStatusTail) {
        return {};
    }
    return ParseExitStatusLine(QByteArrayView(tail).sliced(lineStart));
}

QString FinishedStatusText(const EngineOutcome& outcome, const QString& listFileName) {
    switch (outcome.kind) {
        case EngineOutcome::Kind::AllEvaluated:
            return QStringLiteral("Finished");
        case EngineOutcome::Kind::SomeEvaluated:
            return QStringLiteral(
                       "Finished with errors: %1 of %2 stations evaluated; see the list file %3")
                .arg(outcome.evaluated)
                .arg(outcome.listed)
                .arg(listFileName);
        case EngineOutcome::Kind::NoneEvaluated:
            return QStringLiteral(
                       "Finished with errors: no station evaluated; see the list file %1")
                .arg(listFileName);
        case EngineOutcome::Kind::Unknown:
            break;
    }
    return QStringLiteral("Finished with errors; see the list file %1").arg(listFileName);
}

}  // namespace corvane
