// Built without Qt D-Bus: no KWin source.
#include "focus/active_window.h"

namespace mouse {

std::unique_ptr<ActiveWindowSource> CreateKWinActiveWindowSource(std::string& whyNot) {
    whyNot = "This build has no KWin support for following the window in front.";
    return nullptr;
}

}  // namespace mouse
