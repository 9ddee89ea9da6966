#pragma once

namespace corvane {

enum class ScreenId { Dataset, Period, Output };

/// Moves between the wizard's screens. A screen runs its own store step first, then asks
/// for the next screen and returns from its handler at once: it is being destroyed.
class Navigator {
public:
    virtual ~Navigator() = default;
    /// Closes and destroys the current screen, creates the target (its load step runs)
    /// and shows it centred.
    virtual void ShowScreen(ScreenId target) = 0;
    /// Ends the program: every window closes, nothing is stored or asked.
    virtual void EndProgram() = 0;
};

}  // namespace corvane
