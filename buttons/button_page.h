// The button page: the function of each of the 64 button slots.
#pragma once

#include <QString>

#include "app/page.h"

namespace mouse {

class CButtonPage : public CPage {
public:
    // Shows the buttons of a button mode (0 office, 1 game).
    void ShowMode(int mode);
    // Refreshes the label of one button slot 0-63 from the current profile.
    void ShowButton(int slot);
    // A menu command the main window does not handle itself.
    void OnMenuCommand(const QString& name);

    int ShownMode() const { return m_iMode; }
    const QString& LastMenuCommand() const { return m_lastCommand; }

private:
    int m_iMode = 0;
    QString m_lastCommand;
};

}  // namespace mouse
