#pragma once

#include <QWidget>

class QLabel;

namespace corvane {

/// The splash window: the picture with the version and release date. A click on the
/// picture (not on the labels) asks to be dismissed at once.
class SplashScreen final : public QWidget {
    Q_OBJECT

public:
    explicit SplashScreen(QWidget* parent = nullptr);

Q_SIGNALS:
    void Clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    QLabel* lblVersion_;
    QLabel* lblLevel_;
};

}  // namespace corvane
