#include "shell/wizard_screen.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFont>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

namespace corvane {

void PlaceTwips(QWidget* control, int left, int top, int width, int height) {
    control->setGeometry(Twips(left), Twips(top), Twips(width), Twips(height));
}

QFont ArialFont(double pointSize, bool bold) {
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    return font;
}

void CentreOnScreen(QWidget* window) {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        window->setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, window->size(),
                                                screen->availableGeometry()));
    }
}

WizardScreen::WizardScreen(RunSetup& setup, Navigator& navigator, int clientWidthTwips,
                           int clientHeightTwips, QWidget* parent)
    : QWidget(parent, Qt::Window), setup_(setup), navigator_(navigator) {
    setWindowTitle(QStringLiteral(" Corvane"));
    setFixedSize(Twips(clientWidthTwips), Twips(clientHeightTwips));
    QPalette background = palette();
    background.setColor(QPalette::Window, Qt::white);
    setPalette(background);
    setAutoFillBackground(true);
    CentreOnScreen(this);
}

void WizardScreen::closeEvent(QCloseEvent* event) {
    event->accept();
    if (!leaving_) {
        // The user closed the only window: the program ends, nothing is stored.
        leaving_ = true;
        navigator_.EndProgram();
    }
}

QPushButton* WizardScreen::AddButton(const char* objectName, const QString& caption, int left,
                                     int top, int width, int height) {
    auto* button = new QPushButton(caption, this);
    button->setObjectName(QString::fromLatin1(objectName));
    button->setFont(ArialFont(9.75, true));
    PlaceTwips(button, left, top, width, height);
    return button;
}

QCheckBox* WizardScreen::AddDisableErrorCheckingBox(int left, int top) {
    auto* box = new QCheckBox(QStringLiteral("Disable Error Checking"), this);
    box->setObjectName(QStringLiteral("chkDisableErrorChecking"));
    box->setFont(ArialFont(8.25));
    PlaceTwips(box, left, top, 1935, 255);
    // The table's 1935 x 255 twips leave no room for this style's indicator and spacing
    // beside the caption in Arial 8.25: the box grows right and down from its place to show
    // the whole caption.
    box->resize(box->size().expandedTo(box->sizeHint()));
    return box;
}

}  // namespace corvane
