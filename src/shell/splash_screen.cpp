#include "shell/splash_screen.h"

#include "shell/wizard_screen.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPalette>
#include <QPixmap>

namespace corvane {
namespace {

QLabel* AddLabel(QWidget* parent, const char* objectName, const QString& text, int top,
                 double pointSize, bool bold) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(objectName));
    label->setFont(ArialFont(pointSize, bold));
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, QColor(192, 192, 255));
    label->setPalette(palette);
    PlaceTwips(label, 3220, top, 1575, 255);
    return label;
}

}  // namespace

SplashScreen::SplashScreen(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("frmSplashScreen"));
    setFixedSize(Twips(8370), Twips(5670));
    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("picture"));
    picture->setPixmap(QPixmap(QStringLiteral(":/corvane/splash.png")));
    picture->setGeometry(0, 0, Twips(8370), Twips(5670));
    // The picture passes clicks on to the window; the labels keep theirs.
    picture->setAttribute(Qt::WA_TransparentForMouseEvents);
    lblVersion_ = AddLabel(this, "lblVersion", QStringLiteral("Version 1.5"), 3600, 9.75, true);
    lblLevel_ = AddLabel(this, "lblLevel", QStringLiteral("July 29, 2009"), 3840, 8.25, false);
}

void SplashScreen::mousePressEvent(QMouseEvent* event) {
    // A QLabel ignores clicks, so they arrive here too: only the picture itself counts.
    QWidget* child = childAt(event->position().toPoint());
    if (child == lblVersion_ || child == lblLevel_) {
        event->accept();
        return;
    }
    event->accept();
    Q_EMIT Clicked();
}

}  // namespace corvane
