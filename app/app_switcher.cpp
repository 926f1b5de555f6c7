#include "app/app_switcher.h"

#include <algorithm>

namespace mouse {

bool AppProfileSwitcher::Own(const ActiveWindow& window) const {
    return (!window.executable.empty() && window.executable == hooks_.ownExecutable) ||
           (!window.appId.empty() &&
            std::any_of(hooks_.ownAppIds.begin(), hooks_.ownAppIds.end(),
                        [&](const std::string& id) { return SameAppId(window.appId, id); }));
}

void AppProfileSwitcher::WindowChanged(const ActiveWindow& window) {
    // The program's own window in front changes nothing: the user came to
    // edit the profile that the application left behind it uses. Nor does
    // the same application again (back from the program's window, or a new
    // title): a profile picked by hand meanwhile stays.
    if (Own(window) ||
        (SameAppId(window.appId, inFront_.appId) && window.executable == inFront_.executable)) {
        return;
    }
    Consider(window);
}

void AppProfileSwitcher::Consider(const ActiveWindow& window) {
    inFront_ = window;
    pending_ = true;
    indexAtChange_ = hooks_.currentIndex();
    hooks_.startRest(kRestMs);
}

std::optional<std::string> AppProfileSwitcher::Choice() const {
    return ChooseProfile(rules_, inFront_.appId, inFront_.executable, hooks_.profileNames());
}

void AppProfileSwitcher::RestEnded() {
    if (!pending_) {
        return;
    }
    if (!rules_.enabled) {
        pending_ = false;
        return;
    }
    if (hooks_.blocked()) {
        hooks_.startRest(kRestMs);  // again once the dialog or the recording is over
        return;
    }
    pending_ = false;
    if (hooks_.currentIndex() != indexAtChange_) {
        return;  // picked by hand since the window came in front
    }
    const std::optional<std::string> profile = Choice();
    if (!profile) {
        return;
    }
    const std::vector<std::string> names = hooks_.profileNames();
    const int index = int(std::find(names.begin(), names.end(), *profile) - names.begin());
    if (index < int(names.size()) && index != hooks_.currentIndex()) {
        hooks_.switchTo(index);
    }
}

}  // namespace mouse
