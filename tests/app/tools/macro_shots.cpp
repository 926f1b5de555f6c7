// Helper of scripts/xvfb-macro-screenshots.sh:
//   mouse_macro_shots library <program folder>   writes a sample macro library
//                                                 into <program folder>/Data/macro.bin
//   mouse_macro_shots select <program folder>     shows the select-macro dialog for
//                                                 that library, bound to its third
//                                                 macro, until the window is closed
//   mouse_macro_shots bound <program folder>      writes a library with a long-named
//                                                 macro and a profile.bin whose first
//                                                 button plays it
#include <QApplication>
#include <QString>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "macros/select_macro_wnd.h"
#include "store/stores.h"
#include "ui/ui.h"

namespace {

using namespace mouse;

MacroRecord Folder(std::u16string_view name) {
    MacroRecord r{};
    WriteText(r.folderName, name);
    r.isFolder = 1;
    return r;
}

MacroRecord Macro(std::u16string_view folder, std::u16string_view name,
                  std::vector<std::pair<uint8_t, uint8_t>> keys) {
    MacroRecord r{};
    WriteText(r.folderName, folder);
    WriteText(r.macroName, name);
    r.loopCount = 1;
    for (const auto& [code, kind] : keys) {
        MacroAction& a = r.actions[r.actionCount++];
        a.code = code;
        a.kind = kind;
        a.delay = 30;
    }
    return r;
}

int WriteLibrary(const std::string& program) {
    const std::vector<MacroRecord> records = {
        Folder(u"Shooter"),
        Macro(u"Shooter", u"Quick reload", {{21, 1}, {21, 2}}),
        Macro(u"Shooter", u"Crouch jump", {{224, 1}, {44, 1}, {44, 2}, {224, 2}}),
        Macro(u"Shooter", u"Recorded", {}),
        Folder(u"Office"),
        Macro(u"Office", u"Copy and paste", {{224, 1}, {6, 1}, {6, 2}, {25, 1}, {25, 2}, {224, 2}}),
        Macro(u"Office", u"Signature", {{22, 1}, {22, 2}}),
        Folder(u"Strategy"),
        Macro(u"Strategy", u"Build order", {{20, 1}, {20, 2}, {26, 1}, {26, 2}}),
    };
    const IoResult r = WriteFileAtomically(program + "/Data/macro.bin", records.data(),
                                           records.size() * sizeof(MacroRecord));
    if (!r) {
        std::fprintf(stderr, "%s\n", r.message.c_str());
        return 1;
    }
    return 0;
}

int WriteBoundLongName(const std::string& program) {
    const std::vector<MacroRecord> records = {
        Folder(u"Strategy"),
        Macro(u"Strategy", u"Build order: two barracks, then an expansion",
              {{20, 1}, {20, 2}, {26, 1}, {26, 2}}),
    };
    auto profile = std::make_unique<ProfileRecord>();
    MakeDefaultRecord(*profile, 3311);
    WriteText(profile->name, u"Default");
    ApplyMacroChoice(profile->buttons[0], records[1], 1, 0, false, 255);
    IoResult r = WriteFileAtomically(program + "/Data/macro.bin", records.data(),
                                     records.size() * sizeof(MacroRecord));
    if (r) {
        r = WriteFileAtomically(program + "/Data/profile.bin", profile.get(),
                                sizeof(ProfileRecord));
    }
    if (!r) {
        std::fprintf(stderr, "%s\n", r.message.c_str());
        return 1;
    }
    return 0;
}

int ShowSelect(const std::string& program, int argc, char** argv) {
    QApplication app(argc, argv);
    CPaintManagerUI::SetResourcePath(QString::fromStdString(program + "/res/"));
    CResourceManager::GetInstance()->LoadLanguage();
    std::vector<uint8_t> bytes;
    ReadWholeFile(program + "/Data/macro.bin", bytes);
    std::vector<std::unique_ptr<MacroRecord>> list = SplitRecords<MacroRecord>(bytes);
    CSelectMacroWnd dialog(list);
    dialog.SetMacroIndex(5);  // "Copy and paste"
    dialog.SetRepeatMode(1);
    dialog.SetLeftButton(true);
    dialog.SetColour(MakeColour(0, 170, 255));
    if (!dialog.Create(nullptr, QStringLiteral("Choose a macro"))) {
        return 1;
    }
    dialog.StartPreselection();
    return dialog.ShowModal() >= 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s library|select|bound <program folder>\n", argv[0]);
        return 2;
    }
    if (std::strcmp(argv[1], "library") == 0) {
        return WriteLibrary(argv[2]);
    }
    if (std::strcmp(argv[1], "bound") == 0) {
        return WriteBoundLongName(argv[2]);
    }
    return ShowSelect(argv[2], argc, argv);
}
