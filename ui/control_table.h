// Declared controls: each window and page lists the controls it looks up,
// with their kind, in a table next to its code. The window checks its table
// when its skin is loaded (CPaintManagerUI::CheckControls), and the skin-check
// test checks every registered table against the skin files.
//
//   // buttons/msg_wnd.h
//   inline constexpr mouse::ControlSpec kMsgWndControls[] = {
//       {"ok_btn", mouse::ControlKind::Button},
//       {"button%d_btn", mouse::ControlKind::Button, 1, 64},  // button1_btn..button64_btn
//   };
//   inline constexpr mouse::ControlTable kMsgWndTable{"msg.xml", "CMsgWnd", kMsgWndControls};
//   MOUSE_REGISTER_CONTROL_TABLE(kMsgWndTable);
//
// The registration is an inline variable: every program that includes the
// header (the skin check includes them all) holds the table in its registry.
#pragma once

#include <QString>
#include <QStringList>
#include <span>
#include <vector>

#include "ui/text.h"
#include "ui/ui_types.h"

namespace mouse {

struct ControlSpec {
    const char* name;  // a name, or a pattern with one %d
    ControlKind kind = ControlKind::Control;
    int first = 0;  // for a pattern: the numbers first..last
    int last = -1;
    bool optional = false;  // the code copes with its absence

    // The names this entry stands for.
    QStringList Names() const {
        if (last < first) {
            return {QString::fromUtf8(name)};
        }
        QStringList out;
        for (int i = first; i <= last; ++i) {
            out << Numbered(name, i);
        }
        return out;
    }
};

struct ControlTable {
    const char* skin;   // skin file in res/, e.g. "main.xml"
    const char* owner;  // class that looks the controls up
    std::span<const ControlSpec> controls;
};

class ControlRegistry {
public:
    static bool Add(const ControlTable* table) {
        for (const ControlTable* t : Tables()) {
            if (t == table) {
                return true;
            }
        }
        Tables().push_back(table);
        return true;
    }
    static std::vector<const ControlTable*>& Tables() {
        static std::vector<const ControlTable*> tables;
        return tables;
    }
};

}  // namespace mouse

#define MOUSE_CT_CONCAT2(a, b) a##b
#define MOUSE_CT_CONCAT(a, b) MOUSE_CT_CONCAT2(a, b)
#define MOUSE_REGISTER_CONTROL_TABLE(table) \
    inline const bool MOUSE_CT_CONCAT(kRegistered_, table) = ::mouse::ControlRegistry::Add(&(table))
