#include "app/rules_wnd.h"

#include <algorithm>

#include "ui/control_binding.h"
#include "ui/resource_manager.h"

namespace mouse {

namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

CAppRulesWnd::CAppRulesWnd(AppRules rules, Context context)
    : m_rules(std::move(rules)), m_context(std::move(context)) {
    OnNotify(ev::kItemSelect, &CAppRulesWnd::OnItemSelect);
    OnNotify(ev::kCheckClick, &CAppRulesWnd::OnCheck);
}

void CAppRulesWnd::InitWindow() {
    if (BindControls(m_pm, kAppRulesWndTable, *this) > 0) {
        return;  // RunDialog's caller sees the skin errors; nothing here is usable
    }
    const bool available = m_context.unavailable.empty();
    m_enabled->SetCheck(available && m_rules.enabled);
    m_enabled->SetEnabled(available);
    if (available) {
        m_front->SetText(LangText("app_rules_front_text")
                             .arg(m_context.inFront.empty() ? LangText("app_rules_none_text")
                                                            : Q(m_context.inFront)));
    } else {
        m_front->SetText(Q(m_context.unavailable));
    }
    for (const std::string& app : m_context.openApplications) {
        m_open->AddItem(Q(app));
    }
    m_open->SelectItem(-1, false);
    m_default->AddItem(LangText("app_rules_leave_text"));
    for (const std::string& name : m_context.profiles) {
        m_profile->AddItem(Q(name));
        m_default->AddItem(Q(name));
    }
    m_profile->SelectItem(m_context.profiles.empty() ? -1 : 0, false);
    const auto chosen = m_rules.defaultProfile
                            ? std::find(m_context.profiles.begin(), m_context.profiles.end(),
                                        *m_rules.defaultProfile)
                            : m_context.profiles.end();
    m_default->SelectItem(
        chosen == m_context.profiles.end() ? 0 : int(chosen - m_context.profiles.begin()) + 1,
        false);
    // The file holds at most kMaxAppRuleText bytes of UTF-8 per id, and one
    // UTF-16 unit takes at most three of them.
    m_app->SetMaxChar(int(kMaxAppRuleText / 3));
    FillList(-1);
}

void CAppRulesWnd::FillList(int select) {
    m_list->RemoveAll();
    for (const AppRule& rule : m_rules.rules) {
        QString line = Q(rule.appId);
        if (!rule.executable.empty()) {
            line += QStringLiteral(" (%1)").arg(Q(rule.executable));
        }
        line += QStringLiteral("  \u2192  ") + Q(rule.profile);
        if (std::find(m_context.profiles.begin(), m_context.profiles.end(), rule.profile) ==
            m_context.profiles.end()) {
            line += QStringLiteral("  ") + LangText("app_rules_missing_text");
        }
        m_list->AddItem(line);
    }
    m_list->SelectItem(select, false);
}

void CAppRulesWnd::OnItemSelect(TNotifyUI& msg) {
    const int index = int(msg.wParam);
    if (msg.pSender == m_open && index >= 0) {
        m_app->SetText(m_open->GetItemText(index));
    } else if (msg.pSender == m_list && index >= 0 && size_t(index) < m_rules.rules.size()) {
        const AppRule& rule = m_rules.rules[size_t(index)];
        m_app->SetText(Q(rule.appId));
        const auto at =
            std::find(m_context.profiles.begin(), m_context.profiles.end(), rule.profile);
        if (at != m_context.profiles.end()) {
            m_profile->SelectItem(int(at - m_context.profiles.begin()), false);
        }
    } else if (msg.pSender == m_default) {
        if (index > 0 && size_t(index) <= m_context.profiles.size()) {
            m_rules.defaultProfile = m_context.profiles[size_t(index - 1)];
        } else {
            m_rules.defaultProfile.reset();
        }
    }
}

void CAppRulesWnd::OnCheck(TNotifyUI& msg) {
    if (msg.pSender == m_enabled && m_context.unavailable.empty()) {
        m_rules.enabled = m_enabled->GetCheck();
    }
}

void CAppRulesWnd::OnClick(TNotifyUI& msg) {
    const QString name = msg.pSender != nullptr ? msg.pSender->GetName() : QString();
    if (name == QLatin1String("rules_set_btn")) {
        SetRule();
    } else if (name == QLatin1String("rules_remove_btn")) {
        RemoveRule();
    } else {
        CloseOnDialogButton(msg);
    }
}

void CAppRulesWnd::SetRule() {
    const std::string app = m_app->GetText().trimmed().toStdString();
    const int profile = m_profile->GetCurSel();
    if (app.empty() || profile < 0 || size_t(profile) >= m_context.profiles.size()) {
        return;
    }
    const std::string& name = m_context.profiles[size_t(profile)];
    auto rule = std::find_if(m_rules.rules.begin(), m_rules.rules.end(), [&](const AppRule& r) {
        return r.executable.empty() && SameAppId(r.appId, app);
    });
    if (rule != m_rules.rules.end()) {
        rule->profile = name;
    } else if (m_rules.rules.size() < kMaxAppRules) {
        m_rules.rules.push_back({app, {}, name});
        rule = m_rules.rules.end() - 1;
    } else {
        return;
    }
    FillList(int(rule - m_rules.rules.begin()));
}

void CAppRulesWnd::RemoveRule() {
    const int index = m_list->GetCurSel();
    if (index < 0 || size_t(index) >= m_rules.rules.size()) {
        return;
    }
    m_rules.rules.erase(m_rules.rules.begin() + index);
    FillList(std::min(index, int(m_rules.rules.size()) - 1));
}

}  // namespace mouse
