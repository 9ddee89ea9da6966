#pragma once

// The failure of a writer of the engine's input files, raised to the RUN button's error
// handler: a description that names the file and the problem, and a number (the system's
// errno where the system reported the failure).

#include <QString>
#include <stdexcept>

namespace corvane {

class WriteError : public std::runtime_error {
public:
    /// Error numbers for failures that the system does not report.
    static constexpr int kInvalidValue = 5;     ///< a value that cannot be written as it is
    static constexpr int kIndexOutOfRange = 9;  ///< a list shorter than its count
    static constexpr int kOverflow = 6;         ///< a number too large for its field
    static constexpr int kTypeMismatch = 13;    ///< a text that is not a number

    WriteError(const QString& description, int number)
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
