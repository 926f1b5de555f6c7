// Starting other programs and opening web addresses, behind a seam so tests
// can record what would have been started.
#pragma once

#include <QString>

namespace mouse {

class Launcher {
public:
    virtual ~Launcher() = default;
    // Opens a web address in the user's browser.
    virtual bool OpenUrl(const QString& url) = 0;
    // Starts a program detached from this one, without arguments.
    virtual bool StartProgram(const QString& path) = 0;
};

class DesktopLauncher final : public Launcher {
public:
    bool OpenUrl(const QString& url) override;
    bool StartProgram(const QString& path) override;
};

// Only http and https addresses are opened from texts of the language file.
bool IsWebAddress(const QString& text);

}  // namespace mouse
