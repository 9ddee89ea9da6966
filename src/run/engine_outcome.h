#pragma once

// How a run ended, as the engine states it in the last line of its list file (and so of
// finished.txt, its copy):
//   Exit status: 0 (every station evaluated)
//   Exit status: 1 (N of M stations evaluated; see ERRORS)
//   Exit status: 2 (nothing evaluated; see ERRORS)
// QtCore only.

#include <QByteArrayView>
#include <QString>

namespace corvane {

struct EngineOutcome {
    enum class Kind {
        Unknown,        ///< no status line: counts as finished with errors
        AllEvaluated,   ///< exit status 0
        SomeEvaluated,  ///< exit status 1
        NoneEvaluated,  ///< exit status 2
    };
    Kind kind = Kind::Unknown;
    qint64 evaluated = 0;  ///< N of exit status 1
    qint64 listed = 0;     ///< M of exit status 1

    bool Succeeded() const { return kind == Kind::AllEvaluated; }
};

/// The outcome a status line states; Unknown for any other text. Line ends are not part of
/// the line.
EngineOutcome ParseExitStatusLine(QByteArrayView line);

/// The outcome stated by the last line of the file at `path`, trailing line ends aside.
/// Reads only the file's last kStatusTail bytes; Unknown when the file cannot be read.
inline constexpr qint64 kStatusTail = 4096;
EngineOutcome ReadEngineOutcome(const QString& path);

/// The status label's text once a run has finished: "Finished" when every station was
/// evaluated, otherwise that the run finished with errors, how many stations were
/// evaluated where the engine says so, and the list file to read.
QString FinishedStatusText(const EngineOutcome& outcome, const QString& listFileName);

}  // namespace corvane
