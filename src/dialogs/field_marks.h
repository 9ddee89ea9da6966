#pragma once

// Field marks: an input control's background is yellow while its content is invalid and
// white once it is valid. The colours are kept as the stored values the screens compare.

class QWidget;

namespace corvane {

/// Stored colour values, blue in the high byte and red in the low byte.
inline constexpr int kMarkInvalid = 65535;     // yellow
inline constexpr int kMarkValid = 16777215;    // white

void MarkFieldInvalid(QWidget* control);
void MarkFieldValid(QWidget* control);
/// Turns a yellow field white once it holds text; a list's text is its current entry.
void ClearMarkIfFilled(QWidget* control);

/// The control's background as a stored colour value (for example kMarkInvalid).
int FieldMark(const QWidget* control);

}  // namespace corvane
