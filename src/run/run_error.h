#pragma once

// The failure of a step of a run (writing the engine's input files, the scripts, the
// launch, the marker), raised to the RUN button's error handler: a description that names
// the file and the problem, and a number (the system's errno where the system reported it).

#include <QString>
#include <stdexcept>

namespace corvane {

class RunError : public std::runtime_error {
public:
    /// Error numbers for failures that the system does not report.
    static constexpr int kInvalidValue = 5;     ///< a value that cannot be written as it is
    static constexpr int kOverflow = 6;         ///< a number too large for its field
    static constexpr int kIndexOutOfRange = 9;  ///< a list shorter than its count
    static constexpr int kTypeMismatch = 13;    ///< a text that is not a number
    static constexpr int kFileNotFound = 53;    ///< an expected file did not come

    RunError(const QString& description, int number)
        : std::runtime_error(description.toStdString()),
          description_(description),
          number_(number) {}

    const QString& description() const { return description_; }
    int number() const { return number_; }

private:
    QString description_;
    int number_;
};

}  // namespace corvane
