// The macro library: folders and macros as records of the macro list
// (macro.bin), the .mbin / .mbins exchange files and how edits and deletions
// reach the buttons bound to a macro. See store/record_library.h for what is
// shared with the recoil-preset library and for the binding rules.
//
// Use on the user-interface thread:
//   MacroLibrary lib(stores, [&] { /* queue a save of StoreFile::Macros */ });
//   int pos = lib.CreateItem(u"Games", u"Combo");
//   ... edit *lib.Records()[pos] ...; lib.Save();
//   BindingChange c = lib.PropagateItem(pos);   // after every edit
//   if (c.affected) send 0x467; if (c.profilesChanged) save profile.bin
#pragma once

#include "store/record_library.h"

namespace mouse {

// The record-specific parts of the macro library.
struct MacroTraits {
    using Record = MacroRecord;
    static constexpr StoreFile kFile = StoreFile::Macros;
    static constexpr const char* kNoun = "macro";
    static constexpr std::u16string_view kDefaultItemName = u"Macro";
    static constexpr std::u16string_view kDefaultFolderName = u"Macros";

    static std::vector<std::unique_ptr<MacroRecord>>& List(Stores& s) { return s.macros; }
    static TextField& ItemName(MacroRecord& r) { return r.macroName; }
    static int32_t& BoundIndex(ButtonEntry& e) { return e.macroIndex; }
    // Functions 22 (macro) and 57 (macro on the left button).
    static bool IsBound(const ButtonEntry& e);
    // bindingCount, bindingLoops, macroActions and bindingName from the record.
    static void CopyToEntry(const MacroRecord& r, ButtonEntry& e);
    // A new macro: loopCount 1, no actions.
    static void InitItem(MacroRecord& r);
    // Checks a macro record from an exchange file and corrects what can be
    // corrected, naming each corrected field in `corrected`; returns why it
    // is refused, empty when accepted.
    static std::string CheckImported(MacroRecord& r, std::vector<std::string>& corrected);
};

// Limits of a macro record as the editor keeps them.
inline constexpr int kMinMacroLoops = 1;
inline constexpr int kMaxMacroLoops = 255;
inline constexpr int kMaxMoveCounts = 32767;

// The actions of a macro as they will be played: refused (the reason
// returned) when an action's kind is not press, release or move, a move's
// code is not the move code, or a press or release names neither 0, a key of the key table nor a
// mouse button; otherwise move distances outside -kMaxMoveCounts..kMaxMoveCounts take the nearest
// limit and `clamped` tells whether any did. Shared by macro imports and by the macro copies that
// imported profiles carry.
std::string CheckMacroActions(std::span<MacroAction> actions, bool& clamped);

using MacroLibrary = RecordLibrary<MacroTraits>;

extern template class RecordLibrary<MacroTraits>;

}  // namespace mouse
