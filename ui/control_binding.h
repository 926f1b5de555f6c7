// Fills the members a control table names (ui/control_table.h).
#pragma once

#include "ui/control_table.h"
#include "ui/controls.h"
#include "ui/paint_manager.h"

namespace mouse {

// Looks up every control of table in manager, reports each one that is
// missing or of another kind (CheckControls: the errors the skin check and
// the start-up box show) and stores every control found with its kind into
// the member of owner that its entry names. Returns how many were reported.
template <class Owner>
int BindControls(CPaintManagerUI& manager, const ControlTable& table, Owner& owner) {
    CNotifyPump& pump = owner;
    const int bad = manager.CheckControls(table);
    for (const ControlSpec& spec : table.controls) {
        if (spec.slot == nullptr) {
            continue;
        }
        int index = spec.slotIndex;
        for (const QString& name : spec.Names()) {
            CControlUI* control = manager.TryFindControl(name);
            spec.slot(pump, index++,
                      control != nullptr && control->IsKind(spec.kind) ? control : nullptr);
        }
    }
    return bad;
}

}  // namespace mouse
