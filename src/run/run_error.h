#pragma once

// A failure of the run itself (its scripts, the marker, the launch), raised to the RUN
// button's error handler like the writers' WriteError: a description that names the file
// and the problem, and a number (the system's errno where the system reported it).

#include <QString>
#include <stdexcept>

namespace corvane {

class RunError : public std::runtime_error {
public:
    /// Error numbers for failures that the system does not report.
    static constexpr int kInvalidValue = 5;   ///< a value that the script cannot carry
    static constexpr int kFileNotFound = 53;  ///< an expected file did not come

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
