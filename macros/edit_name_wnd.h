// The name dialog of the macro and recoil-preset libraries: asks for the
// name of a new folder or item, or a new name for one, and refuses empty
// and duplicate names with a message box while staying open. CEditMacroName
// and CEditGunName are the same dialog with the macro list and texts, or the
// preset list and texts; the check itself is CheckName (store/name_check.h).
//
// The caller sets the mode, the initial name (empty in the add modes), the
// folder (item modes: the folder the item is or will be in) and the list,
// then creates the window and runs it modally. After a result of 1 GetName()
// is the accepted name (at most 49 characters); 0 means nothing changes.
#pragma once

#include <QString>
#include <memory>
#include <vector>

#include "device/records.h"
#include "store/name_check.h"
#include "ui/ui.h"

namespace mouse {

inline constexpr ControlSpec kEditNameWndControls[] = {
    {"ok_btn", ControlKind::Button},      {"cancel_btn", ControlKind::Button},
    {"exit_btn", ControlKind::Button},    {"label_title", ControlKind::Label},
    {"label_string", ControlKind::Label}, {"edit_name", ControlKind::Edit},
};
inline constexpr ControlTable kEditNameWndTable{"editname.xml", "CEditNameWnd",
                                                kEditNameWndControls};
MOUSE_REGISTER_CONTROL_TABLE(kEditNameWndTable);

class CEditNameWnd : public WindowImplBase {
public:
    QString GetSkinFile() const override { return QStringLiteral("editname.xml"); }

    // 0 add folder, 1 add item, 2 rename folder, 3 rename item.
    void SetMode(int mode) { m_iMode = mode; }
    void SetInitialName(const QString& name) { m_initial = name; }
    void SetFolderName(const QString& folder) { m_folder = folder; }
    int GetMode() const { return m_iMode; }
    // The accepted name; valid after a result of 1.
    QString GetName() const { return m_name; }

protected:
    explicit CEditNameWnd(const NameTexts& texts) : m_texts(texts) {}
    void InitWindow() override;
    void OnClick(TNotifyUI& msg) override;
    // The check against the dialog's list.
    virtual NameVerdict Check(NameMode mode, const std::u16string& text,
                              const std::u16string& initial,
                              const std::u16string& folder) const = 0;

private:
    NameMode Mode() const;
    void OnOk();

    const NameTexts& m_texts;
    int m_iMode = 0;
    QString m_initial;
    QString m_folder;
    QString m_name;
    CEditUI* m_pEdit = nullptr;
};

class CEditMacroName : public CEditNameWnd {
public:
    CEditMacroName() : CEditNameWnd(kMacroNameTexts) {}
    QString GetWindowClassName() const override { return QStringLiteral("EditMacroName"); }
    void SetMacroList(const std::vector<std::unique_ptr<MacroRecord>>* list) { m_pList = list; }

protected:
    NameVerdict Check(NameMode mode, const std::u16string& text, const std::u16string& initial,
                      const std::u16string& folder) const override;

private:
    const std::vector<std::unique_ptr<MacroRecord>>* m_pList = nullptr;
};

class CEditGunName : public CEditNameWnd {
public:
    CEditGunName() : CEditNameWnd(kGunNameTexts) {}
    QString GetWindowClassName() const override { return QStringLiteral("EditGunName"); }
    void SetGunList(const std::vector<std::unique_ptr<GunRecord>>* list) { m_pList = list; }

protected:
    NameVerdict Check(NameMode mode, const std::u16string& text, const std::u16string& initial,
                      const std::u16string& folder) const override;

private:
    const std::vector<std::unique_ptr<GunRecord>>* m_pList = nullptr;
};

}  // namespace mouse
