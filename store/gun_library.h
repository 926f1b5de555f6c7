// The recoil-preset (gun) library: folders and presets as records of the gun
// list (gun.bin), the .gbin / .gbins exchange files and how edits and
// deletions reach the buttons bound to a preset. See store/record_library.h
// for what is shared with the macro library and for the binding rules.
//
// Use on the user-interface thread:
//   GunLibrary lib(stores, [&] { /* queue a save of StoreFile::Guns */ });
//   int pos = lib.CreateItem(u"Rifles", u"AK");
//   ... edit *lib.Records()[pos] ...; lib.Save();
//   BindingChange c = lib.PropagateItem(pos);   // after every edit
//   if (c.affected) send 0x467; if (c.profilesChanged) save profile.bin
#pragma once

#include "store/record_library.h"

namespace mouse {

// The typed-value limits of a bullet row.
inline constexpr int kMaxBulletOffset = 127;
inline constexpr int kMinBulletDelay = 10;
inline constexpr int kMaxBulletDelay = 1270;

// The record-specific parts of the gun library.
struct GunTraits {
    using Record = GunRecord;
    static constexpr StoreFile kFile = StoreFile::Guns;
    static constexpr const char* kNoun = "gun";
    static constexpr std::u16string_view kDefaultItemName = u"Gun";
    static constexpr std::u16string_view kDefaultFolderName = u"Guns";

    static std::vector<std::unique_ptr<GunRecord>>& List(Stores& s) { return s.guns; }
    static TextField& ItemName(GunRecord& r) { return r.gunName; }
    static int32_t& BoundIndex(ButtonEntry& e) { return e.gunIndex; }
    // Function 121 (recoil preset).
    static bool IsBound(const ButtonEntry& e);
    // bindingCount, bindingLoops (byte 202), gunData and bindingName.
    static void CopyToEntry(const GunRecord& r, ButtonEntry& e);
    // A new gun: 30 bullets, every delay 10, every offset 0.
    static void InitItem(GunRecord& r);
    // Checks a gun record from an exchange file and corrects what can be
    // corrected, naming each corrected field in `corrected`; returns why it
    // is refused, empty when accepted (a gun record is never refused).
    static std::string CheckImported(GunRecord& r, std::vector<std::string>& corrected);
};

// Brings offsets and delays of bullet rows into the typed-value limits (the
// nearest limit); true when any row changed. Shared by preset imports and by
// the preset copies that imported profiles carry.
bool ClampBulletRows(std::span<BulletRow> rows);

using GunLibrary = RecordLibrary<GunTraits>;

extern template class RecordLibrary<GunTraits>;

}  // namespace mouse
