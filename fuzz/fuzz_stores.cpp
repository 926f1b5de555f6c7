// The four store files, loaded as the program loads them at start-up.
//
// Input framing:
//   byte 0      bits 0-3: Data.bin, profile.bin, macro.bin, gun.bin exist;
//               bits 4-7: sensor code of a default profile (index into
//               kSensors)
//   bytes 1-12  three little-endian 32-bit lengths: Data.bin, profile.bin,
//               macro.bin (each cut to what is left)
//   then        the bytes of Data.bin, profile.bin and macro.bin in that
//               order; gun.bin gets the rest
// A file whose bit is clear is absent. After the load the lists are used the
// way the program uses them, saved and loaded again, and must come back
// unchanged.
#include <cstring>

#include "fuzz/fuzz_support.h"
#include "store/stores.h"

namespace {

using namespace mouse;
namespace fs = std::filesystem;

constexpr int kSensors[16] = {3311, 3335, 3370, 3050, 3325, 3327, 5050, 36,
                              37,   38,   60,   3104, 3212, 3330, 6400, -1};

template <typename T>
bool SameRecords(const std::vector<std::unique_ptr<T>>& a,
                 const std::vector<std::unique_ptr<T>>& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::memcmp(a[i].get(), b[i].get(), sizeof(T)) != 0) {
            return false;
        }
    }
    return true;
}

void CheckLoaded(const Stores& stores) {
    FUZZ_CHECK(!stores.profiles.empty());
    FUZZ_CHECK(stores.currentIndex >= 0 && size_t(stores.currentIndex) < stores.profiles.size());
    for (const auto& p : stores.profiles) {
        FUZZ_CHECK(p != nullptr);
    }
    for (const auto& m : stores.macros) {
        FUZZ_CHECK(m != nullptr);
    }
    for (const auto& g : stores.guns) {
        FUZZ_CHECK(g != nullptr);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::ByteReader in(data, size);
    const uint8_t flags = in.U8();
    const uint32_t lengths[3] = {in.U32(), in.U32(), in.U32()};
    const int sensor = kSensors[flags >> 4];

    const fs::path folder = fuzz::ScratchFolder("stores") / "Data";
    fuzz::ResetFolder(folder);
    Stores stores(folder);
    const fs::path paths[4] = {stores.DataBinPath(), stores.ProfilePath(), stores.MacroPath(),
                               stores.GunPath()};
    for (int i = 0; i < 4; ++i) {
        const auto bytes = i < 3 ? in.Take(lengths[i]) : in.Rest();
        if (flags & (1u << i)) {
            fuzz::WriteFile(paths[i], bytes);
        }
    }

    stores.LoadStores(sensor, u"Profile");
    CheckLoaded(stores);

    // What the pages do with the lists: show the current profile, check
    // names for collisions, add a profile.
    const ProfileRecord& current = stores.Current();
    FUZZ_CHECK(stores.ProfileNameExists(ReadText(current.name)));
    for (const auto& m : stores.macros) {
        const std::u16string folderName = ReadText(m->folderName);
        FUZZ_CHECK(RecordNameExists(folderName, stores.macros));
        FUZZ_CHECK(RecordNameExists(folderName, ReadText(m->macroName), stores.macros));
    }
    for (const auto& g : stores.guns) {
        const std::u16string folderName = ReadText(g->folderName);
        FUZZ_CHECK(RecordNameExists(folderName, stores.guns));
        FUZZ_CHECK(RecordNameExists(folderName, ReadText(g->gunName), stores.guns));
    }
    IoResult saved;
    const ProfileRecord& added = stores.CreateDefaultProfile(sensor, u"Profile", &saved);
    FUZZ_CHECK(saved.ok);
    // The new name is unique among the other profiles.
    int sameName = 0;
    for (const auto& p : stores.profiles) {
        sameName += TextEqualsNoCase(p->name, ReadText(added.name)) ? 1 : 0;
    }
    FUZZ_CHECK(sameName == 1);

    // Saved lists load back as they were.
    FUZZ_CHECK(stores.SaveCurrentProfileIndex().ok);
    FUZZ_CHECK(stores.SaveMacros().ok);
    FUZZ_CHECK(stores.SaveGuns().ok);
    Stores again(folder);
    const LoadReport report = again.LoadStores(sensor, u"Profile");
    CheckLoaded(again);
    FUZZ_CHECK(!report.dataBinCreated && !report.defaultProfileCreated && !report.indexReset);
    FUZZ_CHECK(again.currentIndex == stores.currentIndex);
    FUZZ_CHECK(again.dataReserved == stores.dataReserved);
    FUZZ_CHECK(SameRecords(again.profiles, stores.profiles));
    FUZZ_CHECK(SameRecords(again.macros, stores.macros));
    FUZZ_CHECK(SameRecords(again.guns, stores.guns));
    return 0;
}
