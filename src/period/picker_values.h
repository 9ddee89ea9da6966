#pragma once

// The period screen's pickers hold a calendar day and a time of day; the setup state holds
// serial date-times. These conversions join and split them to the second.

#include <QDate>
#include <QTime>

namespace corvane {

/// What the date picker and the time picker show for one serial date-time.
struct PickerValues {
    QDate date;
    QTime time;
};

/// Splits a serial date-time into the day and the time of day the pickers show. A value the
/// calendar cannot split (not finite, or outside years 100 to 9999) gives invalid values.
PickerValues PickerValuesFromSerial(double serial);

/// The picked day at the picked time of day, as the period is stored: the day's serial
/// date-time combined with the time picker's "HH:mm:ss" text.
double SerialFromPickerValues(const QDate& date, const QTime& time);

}  // namespace corvane
