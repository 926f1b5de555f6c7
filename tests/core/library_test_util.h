// What the library tests share: the two libraries described side by side
// (MacroKind, GunKind) and a fixture with three profiles and a library whose
// saves are counted. The fixture lives in a named namespace so that typed
// tests of several files share one suite.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/temp_dir.h"
#include "device/protocol.h"
#include "store/gun_library.h"
#include "store/macro_library.h"
#include "store/tables.h"

namespace mouse::librarytest {

namespace fs = std::filesystem;

struct TempDir : test::TempDir {
    TempDir() : test::TempDir("mouse-library") {}
};

using test::ReadBytes;

template <typename R>
inline std::vector<uint8_t> BytesOf(const std::vector<R>& records) {
    std::vector<uint8_t> bytes(records.size() * sizeof(R));
    if (!records.empty()) {
        std::memcpy(bytes.data(), records.data(), bytes.size());
    }
    return bytes;
}

template <typename R>
inline std::vector<uint8_t> ListBytes(const std::vector<std::unique_ptr<R>>& list) {
    std::vector<uint8_t> bytes;
    for (const auto& r : list) {
        const size_t at = bytes.size();
        bytes.resize(at + sizeof(R));
        std::memcpy(bytes.data() + at, r.get(), sizeof(R));
    }
    return bytes;
}

// What differs between the two libraries for the tests: their types, the
// function that binds a button, the record's name field and binding index,
// and how a record is marked.
struct MacroKind {
    using Lib = MacroLibrary;
    using Traits = MacroTraits;
    using Record = MacroRecord;
    static constexpr int kBound = fn::kMacro;
    static TextField& Name(Record& r) { return r.macroName; }
    static int32_t& Index(ButtonEntry& e) { return e.macroIndex; }
    static std::string File(const char* title) { return std::string(title) + ".mbin"; }
    // Marks a record's content so copies can be recognised.
    static void Mark(Record& r, int n) {
        r.actionCount = 1;
        r.loopCount = uint16_t(n % 200 + 1);
        r.actions[0] =
            MacroAction{0, uint8_t(4 + n % 20), kActionPress, 0, uint16_t(10 + n), 0, 0, 0};
    }
    static int MarkOf(const ButtonEntry& e) { return e.macroActions[0].delay - 10; }
};

struct GunKind {
    using Lib = GunLibrary;
    using Traits = GunTraits;
    using Record = GunRecord;
    static constexpr int kBound = fn::kRecoil;
    static TextField& Name(Record& r) { return r.gunName; }
    static int32_t& Index(ButtonEntry& e) { return e.gunIndex; }
    static std::string File(const char* title) { return std::string(title) + ".gbin"; }
    static void Mark(Record& r, int n) { r.bullets[0].x = n % 100; }
    static int MarkOf(const ButtonEntry& e) { return e.gunData[0].x; }
};

// Stores with three default profiles (the second current), a library whose
// saves are counted, and helpers to fill it.
template <typename Kind>
class LibraryTest : public ::testing::Test {
protected:
    using Lib = typename Kind::Lib;
    using Record = typename Kind::Record;

    LibraryTest() : stores(StoreFolderOf(dir.path())), lib(stores, [this] { ++saves; }) {
        for (int i = 0; i < 3; ++i) {
            auto p = std::make_unique<ProfileRecord>();
            MakeDefaultRecord(*p, 3050);
            stores.profiles.push_back(std::move(p));
        }
        stores.currentIndex = 1;
    }

    auto& List() { return lib.Records(); }
    Record& At(int i) { return *List().at(size_t(i)); }
    std::u16string NameAt(int i) { return ReadText(Kind::Name(At(i))); }
    std::u16string FolderAt(int i) { return ReadText(At(i).folderName); }

    // Folder f holding items named name0..name(n-1); each item marked with
    // its list position. Returns the folder record's position.
    int AddFolder(std::u16string_view f, std::initializer_list<std::u16string_view> items) {
        const int pos = lib.CreateFolder(f);
        EXPECT_GE(pos, 0);
        for (std::u16string_view n : items) {
            const int item = lib.CreateItem(f, n);
            EXPECT_GE(item, 0);
            Kind::Mark(At(item), item);
        }
        return pos;
    }

    void Bind(int profile, int slot, int position, int function = Kind::kBound) {
        ButtonEntry& e = stores.profiles[size_t(profile)]->buttons[slot];
        e.functionId = uint8_t(function);
        Kind::Index(e) = position;
    }
    ButtonEntry& Entry(int profile, int slot) {
        return stores.profiles[size_t(profile)]->buttons[slot];
    }

    TempDir dir;
    Stores stores;
    int saves = 0;
    Lib lib;
};

using Kinds = ::testing::Types<MacroKind, GunKind>;

}  // namespace mouse::librarytest
