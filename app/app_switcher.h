// Switches the profile to the one the per-application rules choose when
// another application's window comes in front, once the focus has rested
// (so that Alt+Tab past five windows applies once). The main window gives
// it the rules, the profile list, the switch itself and a timer; the window
// in front comes from an ActiveWindowSource.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "focus/active_window.h"
#include "store/app_rules.h"

namespace mouse {

struct SwitcherHooks {
    // The profiles' names, in list order, UTF-8.
    std::function<std::vector<std::string>()> profileNames;
    std::function<int()> currentIndex;
    // A dialog of the program is open or a recording runs: no switch now.
    std::function<bool()> blocked;
    // Switches to the profile at index and applies it, as the tray does.
    std::function<void(int index)> switchTo;
    // (Re)starts the rest timer for ms; its end calls RestEnded.
    std::function<void(int ms)> startRest;
    // The program's own window: its application ids (the X11 class is the
    // application name, the Wayland app id the desktop file id) and its
    // executable.
    std::vector<std::string> ownAppIds;
    std::string ownExecutable;
};

class AppProfileSwitcher {
public:
    // How long the same window stays in front before its profile is applied,
    // and how often a switch held back by a dialog or a recording is tried again.
    static constexpr int kRestMs = 500;

    AppProfileSwitcher(const AppRules& rules, SwitcherHooks hooks)
        : rules_(rules), hooks_(std::move(hooks)) {}

    // The source reported the window in front.
    void WindowChanged(const ActiveWindow& window);
    // The rest timer ran out.
    void RestEnded();
    // The rules changed: the window in front is considered again, as if it
    // had just come in front.
    void RulesChanged() { Consider(inFront_); }
    const ActiveWindow& InFront() const { return inFront_; }

private:
    bool Own(const ActiveWindow& window) const;
    // The profile the rules choose for the window in front, if any.
    std::optional<std::string> Choice() const;
    // Waits for the window to rest in front, then applies its profile.
    void Consider(const ActiveWindow& window);

    const AppRules& rules_;
    SwitcherHooks hooks_;
    ActiveWindow inFront_;
    bool pending_ = false;
    // The current profile when the window came in front: a different one
    // when the rest ends was picked by hand, and stays.
    int indexAtChange_ = -1;
};

}  // namespace mouse
