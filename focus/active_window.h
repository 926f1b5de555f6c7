// Which application's window is in front, as the per-application profile
// rules need it. One interface, one source per kind of session, chosen at
// run time by CreateActiveWindowSource; each source lives in its own file.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "performance/session.h"

namespace mouse {

// The window in front.
struct ActiveWindow {
    // The application id: the X11 window class (WM_CLASS, its second
    // string), or the Wayland app id (which XWayland gives X clients as
    // their class). Empty when no window is in front.
    std::string appId;
    std::string title;
    // The executable's path where the desktop gives a process id and
    // /proc/PID/exe can be read; else empty.
    std::string executable;
    bool operator==(const ActiveWindow&) const = default;
};

// The executable of a process, where /proc lets us read it; empty for a
// pid of 0 or less or a process that is gone.
std::string ExecutableOfProcess(long pid);

// Watches the window in front. Every call and every report happens on the
// thread that called Start, through its Qt event loop (sources read their
// connection from a socket notifier, never by polling).
class ActiveWindowSource {
public:
    using Listener = std::function<void(const ActiveWindow&)>;
    virtual ~ActiveWindowSource() = default;

    // "X11", "wlroots" or "KWin", for the diagnostics and the rules dialog.
    virtual const char* Name() const = 0;
    // Starts watching: `changed` is called with the window in front now
    // (as soon as it is known) and after each change, and never after Stop
    // or destruction. False, with `error` a sentence for the user, when the
    // source cannot work here.
    virtual bool Start(Listener changed, std::string& error) = 0;
    virtual void Stop() = 0;
    // The window in front as last reported (empty appId before the first).
    virtual ActiveWindow Current() const = 0;
    // The application ids of the windows open now, sorted, each once: the
    // rules dialog offers them to choose from.
    virtual std::vector<std::string> OpenApplications() const = 0;
};

// The source for this session, or nullptr with `whyNot` set to a sentence
// for the rules dialog (for example: GNOME on Wayland tells no program which
// window is in front).
std::unique_ptr<ActiveWindowSource> CreateActiveWindowSource(const Session& session,
                                                             std::string& whyNot);

// The sources themselves, each in its own file; a source whose libraries
// were missing at build time gives nullptr and says so in `whyNot`.
std::unique_ptr<ActiveWindowSource> CreateX11ActiveWindowSource(std::string& whyNot);
std::unique_ptr<ActiveWindowSource> CreateWlrootsActiveWindowSource(std::string& whyNot);
std::unique_ptr<ActiveWindowSource> CreateKWinActiveWindowSource(std::string& whyNot);

}  // namespace mouse
