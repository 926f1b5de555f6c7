// The recoil-preset page: the preset library's folders, presets and rows.
#pragma once

#include <QString>

#include "app/page.h"

namespace mouse {

class CGunPage : public CPage {
public:
    // Fills the folder selector from the folder records of the preset list
    // and selects the first folder.
    void FillFolderList();
    void OnMenuCommand(const QString& name) { (void)name; }
};

}  // namespace mouse
