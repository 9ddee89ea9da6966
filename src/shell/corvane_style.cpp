#include "shell/corvane_style.h"

#include <QPainter>
#include <QStyleFactory>
#include <QStyleOptionButton>

namespace corvane {

CorvaneStyle::CorvaneStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}

int CorvaneStyle::pixelMetric(PixelMetric metric, const QStyleOption* option,
                              const QWidget* widget) const {
    switch (metric) {
        case PM_CheckBoxLabelSpacing:
        case PM_RadioButtonLabelSpacing:
            return 3;
        default:
            return QProxyStyle::pixelMetric(metric, option, widget);
    }
}

void CorvaneStyle::drawControl(ControlElement element, const QStyleOption* option,
                               QPainter* painter, const QWidget* widget) const {
    const auto* button = qstyleoption_cast<const QStyleOptionButton*>(option);
    if (element != CE_PushButtonLabel || button == nullptr || !button->icon.isNull() ||
        button->text.isEmpty()) {
        QProxyStyle::drawControl(element, option, painter, widget);
        return;
    }
    const QRect area = button->rect.adjusted(2, 1, -2, -1);
    const bool fits = button->fontMetrics.horizontalAdvance(button->text) <= area.width();
    if (fits) {
        QProxyStyle::drawControl(element, option, painter, widget);
        return;
    }
    int flags = Qt::AlignCenter | Qt::TextWordWrap | Qt::TextShowMnemonic;
    if (!proxy()->styleHint(SH_UnderlineShortcut, button, widget)) {
        flags |= Qt::TextHideMnemonic;
    }
    proxy()->drawItemText(painter, area, flags, button->palette, button->state & State_Enabled,
                          button->text, QPalette::ButtonText);
}

}  // namespace corvane
