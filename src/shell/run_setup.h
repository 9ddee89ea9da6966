#pragma once

// The program-wide setup state through which the screens hand their values to each other
// and to the writers. One instance lives from start to end of the program; it starts
// zeroed and is never reset.

#include <QString>
#include <QStringList>

#include <cstdint>

namespace corvane {

struct RunSetup {
    double DataStart = 0;          // serial date-time, from the first set-1 header
    double DataEnd = 0;            // serial date-time
    QString DataTimeZone;          // e.g. "UTC+0300", trimmed
    QStringList PredictedFiles;    // set 1, one per station
    QStringList ObservedFiles;     // set 2, position-matched with PredictedFiles
    std::int32_t PredictedCount = 0;
    std::int32_t ObservedCount = 0;
    QString LastBrowseDir;         // ends in "/" once set
    double PeriodStart = 0;        // serial date-time chosen on the period screen
    double PeriodEnd = 0;
    QString TitleLine;
    QString OutputDirectory;       // ends in "/"
    QString BaseFilename;          // output root name
    QString CalmWindText;          // as typed; "0.9999" is shown while empty
    QString MissingFilterFlag;     // "0" keep hours with missing values, "1" remove them
    QStringList TimeZoneCodes;     // parallel to TimeZoneNames
    QStringList TimeZoneNames;
    bool WriteSucceeded = false;   // the last control- or station-file write ran to its end
};

}  // namespace corvane
