// The per-application profiles dialog, from the profile menu: the rules as
// a list (application -> profile), a field for an application id with the
// applications that have windows now to choose from, the profile to give
// it (Set adds the rule or changes the profile of the application's rule),
// Remove, the profile for other applications, and the on/off switch. The
// window in front is named so the user knows what to type; on a session
// where the window in front cannot be known, the dialog says why and the
// switch is off and cannot be turned on.
//
// The caller gives the rules, the profiles and what the source knows,
// runs the dialog modally and, after a result of 1, takes Rules().
#pragma once

#include <string>
#include <vector>

#include "store/app_rules.h"
#include "ui/ui.h"

namespace mouse {

class CAppRulesWnd : public WindowImplBase {
public:
    // What the dialog shows besides the rules: the profiles' names, the
    // applications with windows now, the window in front's id, and (empty
    // when there is a source) why the window in front cannot be known.
    struct Context {
        std::vector<std::string> profiles;
        std::vector<std::string> openApplications;
        std::string inFront;
        std::string unavailable;
    };
    CAppRulesWnd(AppRules rules, Context context);

    QString GetWindowClassName() const override { return QStringLiteral("AppRulesWnd"); }
    QString GetSkinFile() const override { return QStringLiteral("apprules.xml"); }
    const AppRules& Rules() const { return m_rules; }

protected:
    void InitWindow() override;
    void OnClick(TNotifyUI& msg) override;

private:
    CCheckBoxUI* m_enabled = nullptr;
    CLabelUI* m_front = nullptr;
    CListUI* m_list = nullptr;
    CEditUI* m_app = nullptr;
    CComboUI* m_open = nullptr;
    CComboUI* m_profile = nullptr;
    CComboUI* m_default = nullptr;

    void OnItemSelect(TNotifyUI& msg);
    void OnCheck(TNotifyUI& msg);
    void FillList(int select);
    void SetRule();
    void RemoveRule();

    AppRules m_rules;
    Context m_context;

public:
    // Every control the dialog uses, with the member it goes into.
    static const ControlSpec kControls[];
};

inline constexpr ControlSpec CAppRulesWnd::kControls[] = {
    {"ok_btn", ControlKind::Button},
    {"cancel_btn", ControlKind::Button},
    {"exit_btn", ControlKind::Button},
    Bind<&CAppRulesWnd::m_enabled>("rules_enabled"),
    Bind<&CAppRulesWnd::m_front>("rules_front_label"),
    Bind<&CAppRulesWnd::m_list>("rules_list"),
    Bind<&CAppRulesWnd::m_app>("rules_app_edit"),
    Bind<&CAppRulesWnd::m_open>("rules_open_combo"),
    Bind<&CAppRulesWnd::m_profile>("rules_profile_combo"),
    Bind<&CAppRulesWnd::m_default>("rules_default_combo"),
    {"rules_set_btn", ControlKind::Button},
    {"rules_remove_btn", ControlKind::Button},
};
inline constexpr ControlTable kAppRulesWndTable{"apprules.xml", "CAppRulesWnd",
                                                CAppRulesWnd::kControls};
MOUSE_REGISTER_CONTROL_TABLE(kAppRulesWndTable);

}  // namespace mouse
