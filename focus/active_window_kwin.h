// The window in front on KDE Plasma: KWin tells no client, but it runs
// scripts. The program loads its script (kwin/ in the program folder)
// through KWin's scripting interface on the session bus; the script calls
// the program's D-Bus method WindowActivated for each window KWin activates,
// and the D-Bus service hands the call to ReportKWinWindowActivated.
#pragma once

#include <QString>
#include <memory>

#include "focus/active_window.h"

namespace mouse {

// The name KWin knows the script by.
inline constexpr const char* kKWinScriptName = "mouse-driver-focus";

// The script's main.js in the program folder (ending in '/').
QString KWinScriptPath(const QString& programFolder);

// The KWin source talking to KWin on the session bus, or on the bus at
// `busAddress` when one is given; `script` is the path of main.js.
std::unique_ptr<ActiveWindowSource> MakeKWinActiveWindowSource(const QString& busAddress,
                                                               const QString& script);

// A report of the script, as the D-Bus service received it: to the KWin
// source that is started, if one is (else it is dropped). A pid of 0 or
// less is unknown.
void ReportKWinWindowActivated(const QString& appId, const QString& title, int pid);

}  // namespace mouse
