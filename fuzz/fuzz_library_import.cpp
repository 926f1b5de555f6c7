// Exchange files of the macro and preset libraries (.mbin, .mbins, .gbin,
// .gbins) imported into a library that already holds folders and items, with
// profiles whose buttons are bound to them.
//
// Input framing:
//   byte 0   bits 0-1: 0 .mbin, 1 .mbins, 2 .gbin, 3 .gbins;
//            bit 2: a folder is selected (single files only)
//   then     the file's bytes
// A refused file must leave the list untouched and unsaved. An accepted one
// must leave a list in which every record is whole (names terminated, folder
// flag 0 or 1, items that pass the import check unchanged), every item has
// its folder record and no name is empty; deleting what was imported must
// give back the list as it was, without touching a profile.
#include <algorithm>
#include <cstring>

#include "fuzz/fuzz_support.h"
#include "store/gun_library.h"
#include "store/macro_library.h"

namespace {

using namespace mouse;

template <typename R>
std::vector<uint8_t> ListBytes(const std::vector<std::unique_ptr<R>>& list) {
    std::vector<uint8_t> bytes;
    for (const auto& r : list) {
        const size_t at = bytes.size();
        bytes.resize(at + sizeof(R));
        std::memcpy(bytes.data() + at, r.get(), sizeof(R));
    }
    return bytes;
}

std::vector<uint8_t> ProfileBytes(const Stores& stores) {
    return ListBytes(stores.profiles);
}

bool Terminated(const TextField& field) {
    return std::find(field, field + kTextChars, char16_t(0)) != field + kTextChars;
}

template <typename Lib, typename Traits>
void CheckList(Lib& lib) {
    using Record = typename Traits::Record;
    for (const auto& r : lib.Records()) {
        FUZZ_CHECK(r->isFolder == 0 || r->isFolder == 1);
        FUZZ_CHECK(Terminated(r->folderName));
        FUZZ_CHECK(Terminated(Traits::ItemName(*r)));
        FUZZ_CHECK(r->folderName[0] != 0);
        if (r->isFolder == 0) {
            FUZZ_CHECK(Traits::ItemName(*r)[0] != 0);
            Record again;
            std::memcpy(static_cast<void*>(&again), r.get(), sizeof(Record));
            std::vector<std::string> corrected;
            FUZZ_CHECK(Traits::CheckImported(again, corrected).empty());
            FUZZ_CHECK(corrected.empty());
            FUZZ_CHECK(std::memcmp(&again, r.get(), sizeof(Record)) == 0);
            bool hasFolder = false;
            for (int f : lib.FolderPositions()) {
                hasFolder |=
                    TextEqualsNoCase(lib.Records()[size_t(f)]->folderName, ReadText(r->folderName));
            }
            FUZZ_CHECK(hasFolder);
        }
    }
    // Folder records name different folders.
    const std::vector<int> folders = lib.FolderPositions();
    for (size_t a = 0; a < folders.size(); ++a) {
        for (size_t b = a + 1; b < folders.size(); ++b) {
            FUZZ_CHECK(!TextEqualsNoCase(lib.Records()[size_t(folders[a])]->folderName,
                                         ReadText(lib.Records()[size_t(folders[b])]->folderName)));
        }
    }
}

template <typename Lib, typename Traits>
void Run(Stores& stores, bool folderFile, bool selected, std::span<const uint8_t> file) {
    using Record = typename Traits::Record;
    int saves = 0;
    Lib lib(stores, [&saves] { ++saves; });
    // Two folders, the first with two items; a button of each profile bound
    // to the second item, game mode included.
    lib.Records().clear();
    for (const char16_t* folder : {u"Games", u"Set"}) {
        auto r = std::make_unique<Record>();
        r->isFolder = 1;
        WriteText(r->folderName, folder);
        lib.Records().push_back(std::move(r));
    }
    for (const char16_t* name : {u"Combo", u"Burst"}) {
        auto r = std::make_unique<Record>();
        Traits::InitItem(*r);
        WriteText(r->folderName, u"Games");
        WriteText(Traits::ItemName(*r), name);
        lib.Records().push_back(std::move(r));
    }
    for (auto& p : stores.profiles) {
        for (int slot : {3, 35}) {
            p->buttons[slot].functionId = Traits::kFile == StoreFile::Macros ? 22 : 121;
            Traits::BoundIndex(p->buttons[slot]) = 3;
        }
    }
    const std::vector<uint8_t> listBefore = ListBytes(lib.Records());
    const std::vector<uint8_t> profilesBefore = ProfileBytes(stores);

    ImportResult result;
    if constexpr (std::is_same_v<Lib, MacroLibrary>) {
        result = folderFile ? lib.ImportFolder(file, u"Imported")
                            : lib.ImportItem(file, u"Imported",
                                             selected ? std::optional<std::u16string_view>(u"Games")
                                                      : std::nullopt);
    } else {
        result = folderFile ? lib.ImportFolder(file, u"Imported")
                            : lib.ImportItem(file, u"Imported",
                                             selected ? std::optional<std::u16string_view>(u"Games")
                                                      : std::nullopt);
    }
    if (!result.ok) {
        FUZZ_CHECK(!result.error.empty());
        FUZZ_CHECK(saves == 0);
        FUZZ_CHECK(ListBytes(lib.Records()) == listBefore);
        return;
    }
    FUZZ_CHECK(saves == 1);
    CheckList<Lib, Traits>(lib);
    FUZZ_CHECK(ProfileBytes(stores) == profilesBefore);

    // Undo: the imported item, or the imported folder with all it holds.
    BindingChange change;
    if constexpr (std::is_same_v<Lib, MacroLibrary>) {
        change =
            result.folderAdded ? lib.DeleteFolder(result.folder) : lib.DeleteItem(result.position);
    } else {
        change =
            result.folderAdded ? lib.DeleteFolder(result.folder) : lib.DeleteItem(result.position);
    }
    FUZZ_CHECK(!change.profilesChanged);
    FUZZ_CHECK(ListBytes(lib.Records()) == listBefore);
    FUZZ_CHECK(ProfileBytes(stores) == profilesBefore);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    static Stores* stores = [] {
        auto* s = new Stores(fuzz::ScratchFolder("library") / "Data");
        for (int i = 0; i < 2; ++i) {
            auto p = std::make_unique<ProfileRecord>();
            MakeDefaultRecord(*p, 3050);
            s->profiles.push_back(std::move(p));
        }
        return s;
    }();
    const uint8_t mode = data[0];
    const std::span<const uint8_t> file(data + 1, size - 1);
    const bool folderFile = (mode & 1) != 0;
    const bool selected = (mode & 4) != 0;
    if (mode & 2) {
        Run<GunLibrary, GunTraits>(*stores, folderFile, selected, file);
    } else {
        Run<MacroLibrary, MacroTraits>(*stores, folderFile, selected, file);
    }
    return 0;
}
