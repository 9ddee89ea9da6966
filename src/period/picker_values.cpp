#include "period/picker_values.h"

#include "period/calendar.h"

namespace corvane {

PickerValues PickerValuesFromSerial(double serial) {
    try {
        const CalendarFields fields = FieldsFromSerial(serial);
        return {QDate(fields.year, fields.month, fields.day),
                QTime(fields.hour, fields.minute, fields.second)};
    } catch (const CalendarError&) {
        return {};
    }
}

double SerialFromPickerValues(const QDate& date, const QTime& time) {
    CalendarFields day;
    day.year = date.year();
    day.month = date.month();
    day.day = date.day();
    const QByteArray timeText = time.toString(QStringLiteral("HH:mm:ss")).toLatin1();
    return CombineDateAndTime(SerialFromFields(day),
                              std::string_view(timeText.constData(), timeText.size()));
}

}  // namespace corvane
