// The program's logging categories. Debug lines are silent by default;
// QT_LOGGING_RULES="mouse.*.debug=true" shows them (mouse.app.debug=true for
// one category).
#pragma once

#include <QLoggingCategory>

namespace mouse {

Q_DECLARE_LOGGING_CATEGORY(lcApp)       // start-up, the main window, the device state
Q_DECLARE_LOGGING_CATEGORY(lcProfiles)  // profile import and export
Q_DECLARE_LOGGING_CATEGORY(lcLibrary)   // macro and preset library import and export
Q_DECLARE_LOGGING_CATEGORY(lcKeys)      // the shortcut dialog's key capture
Q_DECLARE_LOGGING_CATEGORY(lcFocus)     // the window in front and the profile switches it makes

// Sends the lines of the Qt-free parts (device worker, desktop pointer
// settings, recorder) into Qt categories of the same names, so that Qt's
// rules and message handler apply to them too.
void RouteCoreLogToQt();

}  // namespace mouse
