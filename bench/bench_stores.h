// Large stores for the benchmarks: 100 profiles (profile.bin of 11.8 MB),
// 1000 macros of full length in 10 folders and 1000 recoil presets in 10
// folders, with profile 1 current.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "device/records.h"
#include "store/stores.h"

namespace mouse::bench {

constexpr int kProfiles = 100;
constexpr int kMacros = 1000;
constexpr int kPresets = 1000;

template <typename T>
bool WriteRecords(const std::string& path, const std::vector<T>& records) {
    return bool(WriteFileAtomically(path, records.data(), records.size() * sizeof(T)));
}

// Writes profile.bin, macro.bin, gun.bin and Data.bin into `data` (an
// existing folder, with its trailing '/').
inline bool WriteLargeStores(const std::string& data) {
    auto profiles = std::make_unique<std::vector<ProfileRecord>>(kProfiles);
    for (int i = 0; i < kProfiles; ++i) {
        MakeDefaultRecord((*profiles)[size_t(i)], 3311);
        const std::string name = "Profile" + std::to_string(i + 1);
        WriteText((*profiles)[size_t(i)].name, std::u16string(name.begin(), name.end()));
    }
    std::vector<MacroRecord> macros(kMacros);
    for (int i = 0; i < kMacros; ++i) {
        MacroRecord& m = macros[size_t(i)];
        const std::string folder = "Folder" + std::to_string(i / 100);
        WriteText(m.folderName, std::u16string(folder.begin(), folder.end()));
        if (i % 100 == 0) {
            m.isFolder = 1;
            continue;
        }
        const std::string name = "Macro" + std::to_string(i);
        WriteText(m.macroName, std::u16string(name.begin(), name.end()));
        m.actionCount = kMaxMacroActions;
        for (int a = 0; a < kMaxMacroActions; ++a) {
            m.actions[a].code = uint8_t(4 + a % 26);
            m.actions[a].kind = uint8_t(1 + a % 2);
            m.actions[a].delay = 30;
        }
    }
    std::vector<GunRecord> guns(kPresets);
    for (int i = 0; i < kPresets; ++i) {
        GunRecord& g = guns[size_t(i)];
        const std::string folder = "Guns" + std::to_string(i / 100);
        WriteText(g.folderName, std::u16string(folder.begin(), folder.end()));
        if (i % 100 == 0) {
            g.isFolder = 1;
            continue;
        }
        const std::string name = "Gun" + std::to_string(i);
        WriteText(g.gunName, std::u16string(name.begin(), name.end()));
        g.bulletCount = 30;
    }
    const DataRecord index{0, 0};
    return WriteRecords(data + "profile.bin", *profiles) &&
           WriteRecords(data + "macro.bin", macros) && WriteRecords(data + "gun.bin", guns) &&
           bool(WriteFileAtomically(data + "Data.bin", &index, sizeof index));
}

}  // namespace mouse::bench
