#include "shell/wizard.h"

#include <QApplication>

#include "datasets/dataset_screen.h"
#include "dialogs/pause.h"
#include "period/period_screen.h"
#include "run/output_screen.h"
#include "shell/splash_screen.h"

// Resources of a static library are registered by hand, outside any namespace.
static void InitShellResources() {
    Q_INIT_RESOURCE(shell_resources);
}

namespace corvane {
namespace {

void ShowCentred(QWidget* window) {
    CentreOnScreen(window);
    window->show();
}

}  // namespace

Wizard::Wizard() {
    InitShellResources();
}

Wizard::~Wizard() {
    delete current_.data();
    delete splash_.data();
}

QWidget* Wizard::CurrentScreen() const {
    return current_.data();
}

void Wizard::Start(std::int16_t splashMilliseconds) {
    splash_ = new SplashScreen();
    QObject::connect(splash_.data(), &SplashScreen::Clicked, splash_.data(),
                     [this] { HandOverFromSplash(); });
    ShowCentred(splash_);
    PauseMilliseconds(splashMilliseconds);
    // A click may have handed over already, or the user may have ended the program.
    HandOverFromSplash();
}

void Wizard::HandOverFromSplash() {
    if (handedOver_ || ended_) {
        return;
    }
    handedOver_ = true;
    if (splash_) {
        splash_->close();
        splash_->deleteLater();  // we may be inside the splash's own click handler
    }
    ShowScreen(ScreenId::Dataset);
}

void Wizard::ShowScreen(ScreenId target) {
    if (ended_) {
        return;
    }
    // The order matters: the screen being left has run its store step; it closes and is
    // destroyed before the target is created and its load step reads the setup state.
    if (WizardScreen* leaving = current_) {
        leaving->PrepareToLeave();
        leaving->close();
        leaving->deleteLater();  // the caller is one of its handlers
        current_ = nullptr;
    }
    current_ = CreateScreen(target);
    ShowCentred(current_);
}

WizardScreen* Wizard::CreateScreen(ScreenId target) {
    switch (target) {
        case ScreenId::Dataset:
            return new DatasetScreen(setup_, *this);
        case ScreenId::Period:
            return new PeriodScreen(setup_, *this);
        case ScreenId::Output:
            return new OutputScreen(setup_, *this);
    }
    return nullptr;
}

void Wizard::EndProgram() {
    if (ended_) {
        return;
    }
    ended_ = true;
    if (splash_) {
        splash_->close();
    }
    if (WizardScreen* screen = current_) {
        screen->PrepareToLeave();
        screen->close();
    }
    // Every other window of the program (a console, a message box) closes with it.
    QApplication::closeAllWindows();
    QCoreApplication::quit();
}

}  // namespace corvane
