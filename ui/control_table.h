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
//
// A page names each control once: its entry also says which member the
// control goes into, and the kind comes from the member's type.
// BindControls (ui/control_binding.h) walks the table, reports what is
// missing or of another kind as CheckControls does, and fills the members.
//
//   class CFooPage : public CPage {
//       ...
//       CSliderUI* m_pSpeed = nullptr;
//       std::array<COptionUI*, 4> m_rate{};
//       struct Row { CLabelUI* value = nullptr; };
//       std::array<Row, 8> m_rows{};
//       static const ControlSpec kControls[];
//   };
//   inline constexpr ControlSpec CFooPage::kControls[] = {
//       Bind<&CFooPage::m_pSpeed>("speed_slider"),
//       BindEach<&CFooPage::m_rate>("rate_%d_option", 1),         // rate_1..rate_4
//       BindEach<&CFooPage::m_rows, &Row::value>("value_%d", 1).Optional(),
//   };
#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <cstddef>
#include <span>
#include <type_traits>
#include <utility>
#include <vector>

#include "ui/text.h"
#include "ui/ui_types.h"

namespace mouse {

class CControlUI;
class CNotifyPump;

// Stores a control found for an entry into the owner's member; index is the
// element of an array member (0 for a single one).
using ControlSlot = void (*)(CNotifyPump& owner, int index, CControlUI* control);

struct ControlSpec {
    const char* name;  // a name, or a pattern with one %d
    ControlKind kind = ControlKind::Control;
    int first = 0;  // for a pattern: the numbers first..last
    int last = -1;
    bool optional = false;       // the code copes with its absence
    ControlSlot slot = nullptr;  // the member a lookup fills (Bind, BindEach)
    int slotIndex = 0;           // element of the member the first name fills

    // The same entry, for a control the code copes without.
    constexpr ControlSpec Optional() const {
        ControlSpec spec = *this;
        spec.optional = true;
        return spec;
    }

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

namespace control_binding {

template <class Member>
struct MemberOf;
template <class Owner, class Type>
struct MemberOf<Type Owner::*> {
    using OwnerType = Owner;
    using FieldType = Type;
};

// The control class behind a member: T* itself, or the element of T*[N] and
// std::array<T*, N>.
template <class Field>
struct Element;
template <class T>
struct Element<T*> {
    using Control = T;
    static constexpr int kCount = 1;
    static T*& At(T*& field, int) { return field; }
};
template <class T, size_t N>
struct Element<T* [N]> {
    using Control = T;
    static constexpr int kCount = int(N);
    static T*& At(std::span<T*, N> field, int index) {
        return field[size_t(index)];
    }
};
template <class T, size_t N>
struct Element<std::array<T*, N>> {
    using Control = T;
    static constexpr int kCount = int(N);
    static T*& At(std::array<T*, N>& field, int index) { return field[size_t(index)]; }
};

template <auto Member>
void Store(CNotifyPump& owner, int index, CControlUI* control) {
    using M = MemberOf<decltype(Member)>;
    using E = Element<typename M::FieldType>;
    auto& self = static_cast<typename M::OwnerType&>(owner);
    E::At(self.*Member, index) = dynamic_cast<typename E::Control*>(control);
}

// A member that is an array of rows: the row's field RowMember (its element
// Index when that field is an array itself).
template <auto Member, auto RowMember, int Index>
void StoreInRow(CNotifyPump& owner, int row, CControlUI* control) {
    using M = MemberOf<decltype(Member)>;
    using E = Element<typename MemberOf<decltype(RowMember)>::FieldType>;
    auto& self = static_cast<typename M::OwnerType&>(owner);
    E::At((self.*Member)[size_t(row)].*RowMember, Index) =
        dynamic_cast<typename E::Control*>(control);
}

constexpr ControlSpec Entry(const char* name, ControlKind kind, int first, int last,
                            ControlSlot slot, int index) {
    ControlSpec spec{name, kind, first, last};
    spec.slot = slot;
    spec.slotIndex = index;
    return spec;
}

}  // namespace control_binding

// The control called name goes into Member: a control pointer, or element
// Index of an array of them.
template <auto Member, int Index = 0>
constexpr ControlSpec Bind(const char* name) {
    using M = control_binding::MemberOf<decltype(Member)>;
    using E = control_binding::Element<typename M::FieldType>;
    static_assert(Index >= 0 && Index < E::kCount);
    return control_binding::Entry(name, E::Control::kKind, 0, -1, &control_binding::Store<Member>,
                                  Index);
}

// The controls of pattern numbered first, first + 1, ... go into the
// elements of the array Member, one each.
template <auto Member>
constexpr ControlSpec BindEach(const char* pattern, int first) {
    using M = control_binding::MemberOf<decltype(Member)>;
    using E = control_binding::Element<typename M::FieldType>;
    return control_binding::Entry(pattern, E::Control::kKind, first, first + E::kCount - 1,
                                  &control_binding::Store<Member>, 0);
}

// The same for an array of rows: each row's field RowMember, or its element
// Index when the field is an array.
template <auto Member, auto RowMember, int Index = 0>
constexpr ControlSpec BindEach(const char* pattern, int first) {
    using M = control_binding::MemberOf<decltype(Member)>;
    using R = control_binding::MemberOf<decltype(RowMember)>;
    using E = control_binding::Element<typename R::FieldType>;
    static_assert(Index >= 0 && Index < E::kCount);
    constexpr int rows = int(std::tuple_size_v<typename M::FieldType>);
    return control_binding::Entry(pattern, E::Control::kKind, first, first + rows - 1,
                                  &control_binding::StoreInRow<Member, RowMember, Index>, 0);
}

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
