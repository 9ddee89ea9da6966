#pragma once

// COMPARE... after a finished run: the control files of the other runs from the file dialog,
// their check, the comparison script in the console as RUN runs its script, and the wait for
// its end with the status animation. Failures before the script starts go to an error box.

#include <QString>
#include <functional>

#include "run/compare_script.h"

class QLabel;
class QWidget;

namespace corvane {

/// The finished run that is compared with the others, as RUN left it.
struct ComparedRun {
    QString folder;        ///< the output folder, ending in "/"
    QString control;       ///< its control file, the comparison's reference
    QString baseFilename;  ///< its root name, which the comparison's outputs take too
};

struct CompareOutcome {
    enum class Kind {
        Cancelled,  ///< nothing ran: Cancel in the dialog, a refused file, No to replacing
        Abandoned,  ///< the screen went away during a wait: nothing of it may be touched
        Ended,      ///< the comparison ran; `end` says how it ended
    };
    Kind kind = Kind::Cancelled;
    ComparisonEnd end = ComparisonEnd::NothingCompared;
    qsizetype runs = 0;          ///< the runs compared, the reference among them
    bool reportWritten = false;  ///< the comparison wrote its report
};

/// Runs one comparison. `alive` tells after every wait whether the screen is still there.
CompareOutcome RunComparison(QWidget* owner, QLabel* status, const ComparedRun& run,
                             const std::function<bool()>& alive);

}  // namespace corvane
