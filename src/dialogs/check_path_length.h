#pragma once

#include <QString>

class QWidget;

namespace corvane {

/// Fits a path to the engine's 132-character limit (see FitPathLength) and marks `control`:
/// white when the result fits, yellow with the "Error" message when it does not. Returns the
/// text that replaces the list entry; never empty for a non-empty path.
QString CheckPathLength(const QString& path, QWidget* control);

}  // namespace corvane
