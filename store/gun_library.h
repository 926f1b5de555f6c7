// The recoil-preset (gun) library: folders and presets as records of the gun
// list (gun.bin), the .gbin / .gbins exchange files and how edits and
// deletions reach the buttons bound to a preset. See store/record_library.h
// for what is shared with the macro library and for the binding rules.
//
// Use on the user-interface thread:
//   GunLibrary lib(stores, [&] { /* queue a save of StoreFile::Guns */ });
//   int pos = lib.CreateGun(u"Rifles", u"AK");
//   ... edit *lib.Records()[pos] ...; lib.Save();
//   BindingChange c = lib.PropagateGun(pos);   // after every edit
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
    // corrected; returns why it is refused, empty when accepted.
    static std::string CheckImported(GunRecord& r);
};

class GunLibrary : public RecordLibrary<GunTraits> {
public:
    using RecordLibrary::RecordLibrary;

    // Appends a folder record; returns its position, or -1 without change
    // when name is empty or already a folder name.
    int CreateGunFolder(std::u16string_view name) { return AddFolder(name); }
    // Appends a new gun to an existing folder; returns its position (the
    // last), or -1 without change when the folder does not exist or the
    // name is empty or taken in it.
    int CreateGun(std::u16string_view folder, std::u16string_view name) {
        return AddItem(folder, name);
    }
    bool RenameGunFolder(std::u16string_view from, std::u16string_view to) {
        return RenameFolderRecords(from, to);
    }
    // Removes the record, saves, then brings bound buttons in step.
    BindingChange DeleteGun(int position) { return RemoveItem(position); }
    // Removes the folder record and its guns, saves once, then brings bound
    // buttons in step.
    BindingChange DeleteGunFolder(std::u16string_view folder) { return RemoveFolder(folder); }
    // After an edit of the gun at position (deleting false) copies it into
    // the buttons bound to it.
    BindingChange PropagateGun(int position, bool deleting = false) {
        return Propagate(position, deleting);
    }

    IoResult ExportGun(const GunRecord& record, const std::filesystem::path& path) const {
        return ExportItemFile(record, path);
    }
    IoResult ExportGunFolder(std::u16string_view folder, const std::filesystem::path& path) const {
        return ExportFolderFile(folder, path);
    }
    // folder: the selected folder, or nullopt when none is selected.
    ImportResult ImportGun(const std::filesystem::path& path,
                           std::optional<std::u16string_view> folder) {
        return ImportItemPath(path, folder);
    }
    ImportResult ImportGun(std::span<const uint8_t> bytes, std::u16string_view title,
                           std::optional<std::u16string_view> folder) {
        return ImportItemBytes(bytes, title, folder);
    }
    ImportResult ImportGunFolder(const std::filesystem::path& path) {
        return ImportFolderPath(path);
    }
    ImportResult ImportGunFolder(std::span<const uint8_t> bytes, std::u16string_view title) {
        return ImportFolderBytes(bytes, title);
    }
};

extern template class RecordLibrary<GunTraits>;

}  // namespace mouse
