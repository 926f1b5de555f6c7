// The performance page: DPI levels, report rate, lift-off distance, key
// response and the desktop pointer settings.
#pragma once

#include "app/page.h"

namespace mouse {

class CPerformancePage : public CPage {
public:
    void RefreshFromProfile();
    // Selects the option of DPI level 1-8 without a notification.
    void SelectDpiLevel(int level);
    // Selects the report-rate option of index 0-3 without a notification.
    void SelectReportRate(int index);
};

}  // namespace mouse
