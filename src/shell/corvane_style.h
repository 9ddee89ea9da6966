#pragma once

#include <QProxyStyle>

namespace corvane {

/// The application style: Qt's own style, with the two habits of the classic desktop
/// controls that the fixed layouts count on. A caption wider than its button wraps onto
/// a second line instead of being cut off, and a check box's label sits close to its box.
class CorvaneStyle final : public QProxyStyle {
    Q_OBJECT

public:
    CorvaneStyle();

    int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                    const QWidget* widget = nullptr) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
};

}  // namespace corvane
