#pragma once

// The spine of the program: the splash, the one setup state, and the screen changes.

#include "shell/navigator.h"
#include "shell/run_setup.h"

#include <QPointer>
#include <QWidget>

namespace corvane {

class SplashScreen;
class WizardScreen;

class Wizard final : public Navigator {
public:
    Wizard();
    ~Wizard() override;
    Wizard(const Wizard&) = delete;
    Wizard& operator=(const Wizard&) = delete;

    /// Shows the splash, waits `splashMilliseconds` (a click ends the wait early) and then
    /// shows the dataset screen.
    void Start(std::int16_t splashMilliseconds = 1750);

    void ShowScreen(ScreenId target) override;
    void EndProgram() override;

    bool Ended() const { return ended_; }
    RunSetup& Setup() { return setup_; }
    /// The screen window now open, or nullptr.
    QWidget* CurrentScreen() const;

private:
    void HandOverFromSplash();
    WizardScreen* CreateScreen(ScreenId target);

    RunSetup setup_;
    QPointer<SplashScreen> splash_;
    QPointer<WizardScreen> current_;
    bool handedOver_ = false;
    bool ended_ = false;
};

}  // namespace corvane
