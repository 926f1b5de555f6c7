// Writes the seed corpus of every fuzz target into fuzz/corpus/<target>/:
// valid files built from the real records (a default profile as
// `mousectl new-profile` writes it, macro and gun libraries, Data.bin), the
// program's Data.ini in its three encodings, and short exchanges in each
// target's framing. Run by scripts/fuzz-smoke.sh --seeds.
//
// usage: fuzz_make_seeds CORPUS_FOLDER DATA_INI
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "device/encode.h"
#include "device/records.h"
#include "drivers/sim/sim_state.h"
#include "drivers/sim/sim_wire.h"
#include "tests/drivers/sample_descriptors.h"

namespace {

using namespace mouse;
namespace fs = std::filesystem;
namespace w = mouse::simwire;
using Bytes = std::vector<uint8_t>;

fs::path g_root;

void Put(const std::string& target, const std::string& name, const Bytes& bytes) {
    const fs::path folder = g_root / target;
    fs::create_directories(folder);
    std::ofstream out(folder / name, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!out) {
        std::fprintf(stderr, "cannot write %s\n", (folder / name).c_str());
        std::exit(1);
    }
}

template <typename T>
void Append(Bytes& bytes, const T& record) {
    const auto* p = reinterpret_cast<const uint8_t*>(&record);
    bytes.insert(bytes.end(), p, p + sizeof(T));
}

void AppendU32(Bytes& bytes, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        bytes.push_back(uint8_t(v >> (8 * i)));
    }
}

Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) {
        out.insert(out.end(), p.begin(), p.end());
    }
    return out;
}

// ---- records ----------------------------------------------------------------

// What `mousectl new-profile --sensor 3311 --name Default` writes.
Bytes DefaultProfile() {
    auto record = std::make_unique<ProfileRecord>();
    MakeDefaultRecord(*record, 3311);
    WriteText(record->name, u"Default");
    Bytes bytes;
    Append(bytes, *record);
    return bytes;
}

// A profile with a bound macro, a bound recoil preset and a shortcut.
Bytes BoundProfile() {
    auto record = std::make_unique<ProfileRecord>();
    MakeDefaultRecord(*record, 3335);
    WriteText(record->name, u"Bound");
    ButtonEntry& macro = record->buttons[3];
    macro.functionId = 22;
    macro.repeatMode = 1;
    macro.bindingLoops = 2;
    macro.bindingCount = 3;
    WriteText(macro.bindingFolder, u"Games");
    WriteText(macro.bindingName, u"Combo");
    macro.macroActions[0] = MacroAction{0, 0x04, kActionPress, 0, 50, 0, 0, 0};
    macro.macroActions[1] = MacroAction{0, 0x04, kActionRelease, 0, 1500, 0, 0, 0};
    macro.macroActions[2] = MacroAction{0, kMoveCode, kActionMove, 0, 10, 0, -5, 7};
    ButtonEntry& gun = record->buttons[4];
    gun.functionId = 121;
    gun.bindingCount = 16;
    WriteText(gun.bindingFolder, u"Rifles");
    WriteText(gun.bindingName, u"AK");
    for (int i = 0; i < 16; ++i) {
        gun.gunData[i] = BulletRow{i % 3 - 1, 2, 0, 90};
    }
    ButtonEntry& shortcut = record->buttons[5];
    shortcut.functionId = 21;
    shortcut.shortcutModifiers = 0x03;
    shortcut.shortcutKey = 0x06;
    record->buttons[6].functionId = 10;
    record->buttons[6].fireClickCount = 3;
    record->buttons[6].fireClickDelay = 40;
    Bytes bytes;
    Append(bytes, *record);
    return bytes;
}

Bytes MacroLibrary() {
    MacroRecord folder{};
    WriteText(folder.folderName, u"Games");
    folder.isFolder = 1;
    MacroRecord macro{};
    WriteText(macro.folderName, u"Games");
    WriteText(macro.macroName, u"Combo");
    macro.loopCount = 1;
    macro.actionCount = 2;
    macro.actions[0] = MacroAction{0, 0x04, kActionPress, 0, 50, 0, 0, 0};
    macro.actions[1] = MacroAction{0, 0x04, kActionRelease, 0, 50, 0, 0, 0};
    Bytes bytes;
    Append(bytes, folder);
    Append(bytes, macro);
    return bytes;
}

Bytes GunLibrary() {
    GunRecord folder{};
    WriteText(folder.folderName, u"Rifles");
    folder.isFolder = 1;
    GunRecord gun{};
    WriteText(gun.folderName, u"Rifles");
    WriteText(gun.gunName, u"AK");
    gun.bulletCount = 3;
    for (int i = 0; i < 3; ++i) {
        gun.bullets[i] = BulletRow{0, 3, 0, 100};
    }
    Bytes bytes;
    Append(bytes, folder);
    Append(bytes, gun);
    return bytes;
}

Bytes DataBin(int32_t index) {
    Bytes bytes;
    Append(bytes, DataRecord{index, 0});
    return bytes;
}

Bytes Head(const Bytes& bytes, size_t n) {
    return Bytes(bytes.begin(), bytes.begin() + long(std::min(n, bytes.size())));
}

// ---- targets ----------------------------------------------------------------

Bytes StoreInput(uint8_t flags, const Bytes& data, const Bytes& profiles, const Bytes& macros,
                 const Bytes& guns) {
    Bytes out{flags};
    AppendU32(out, uint32_t(data.size()));
    AppendU32(out, uint32_t(profiles.size()));
    AppendU32(out, uint32_t(macros.size()));
    return Cat({out, data, profiles, macros, guns});
}

void StoreSeeds() {
    Put("fuzz_stores", "nothing", {0x00});
    Put("fuzz_stores", "all-valid",
        StoreInput(0x0F, DataBin(0), DefaultProfile(), MacroLibrary(), GunLibrary()));
    Put("fuzz_stores", "part-records",
        StoreInput(0x3F, Head(DataBin(0), 3), Head(DefaultProfile(), 4000),
                   Head(MacroLibrary(), 900), Head(GunLibrary(), 10)));
    Put("fuzz_stores", "index-out-of-range-no-profiles",
        StoreInput(0x0D, DataBin(5), {}, MacroLibrary(), {}));
}

Bytes RecordInput(uint8_t mode, uint8_t index, const Bytes& file) {
    return Cat({{mode, index, 0x00, 0x00, 0x00, 0x40, 0x00, 0x00}, file});
}

void RecordFileSeeds() {
    Put("fuzz_record_files", "default-pbin-encode", RecordInput(0x20, 0, DefaultProfile()));
    Put("fuzz_record_files", "bound-profile-bin-encode", RecordInput(0x21, 0, BoundProfile()));
    Put("fuzz_record_files", "games-mbins", RecordInput(0x03, 0, MacroLibrary()));
    Put("fuzz_record_files", "rifles-gbins", RecordInput(0x06, 0, GunLibrary()));
    Put("fuzz_record_files", "data-bin-as", RecordInput(0x18, 0, DataBin(2)));
    Put("fuzz_record_files", "short-gbin", RecordInput(0x05, 0, Head(GunLibrary(), 700)));
}

// Mode byte (kind and whether a folder is selected), then the file.
Bytes ImportInput(uint8_t mode, const Bytes& file) {
    return Cat({{mode}, file});
}

Bytes Tail(const Bytes& bytes, size_t n) {
    return Bytes(bytes.end() - std::ptrdiff_t(n), bytes.end());
}

void LibraryImportSeeds() {
    const Bytes macros = MacroLibrary();
    const Bytes guns = GunLibrary();
    const Bytes macro = Tail(macros, sizeof(MacroRecord));
    const Bytes gun = Tail(guns, sizeof(GunRecord));
    Put("fuzz_library_import", "mbin-no-folder", ImportInput(0x00, macro));
    Put("fuzz_library_import", "mbin-into-folder", ImportInput(0x04, macro));
    Put("fuzz_library_import", "mbins", ImportInput(0x01, macros));
    Put("fuzz_library_import", "mbins-ragged", ImportInput(0x01, Head(macros, 1000)));
    Put("fuzz_library_import", "gbin-no-folder", ImportInput(0x02, gun));
    Put("fuzz_library_import", "gbin-into-folder", ImportInput(0x06, gun));
    Put("fuzz_library_import", "gbins", ImportInput(0x03, guns));
    Put("fuzz_library_import", "gbins-without-folder-record", ImportInput(0x03, Cat({gun, gun})));
}

// Mode byte (sensor code, raw file or patches), library sizes, a fallback
// name, then the file or the patches.
Bytes ProfileFileInput(uint8_t mode, const Bytes& file) {
    Bytes out{mode, 4, 2, 5};
    for (char16_t c : std::u16string(u"Fresh")) {
        out.push_back(uint8_t(c));
        out.push_back(uint8_t(c >> 8));
    }
    return Cat({out, file});
}

// One patch of the patch framing: offset, length, bytes.
template <typename T>
Bytes Patch(size_t offset, const T& value) {
    Bytes out;
    AppendU32(out, uint32_t(offset));
    out.push_back(uint8_t(sizeof(T)));
    Append(out, value);
    return out;
}

void ProfileFileSeeds() {
    // 3311 is the eighth known sensor code.
    Put("fuzz_profile_file", "default-pbin", ProfileFileInput(0x07, DefaultProfile()));
    Put("fuzz_profile_file", "bound-pbin", ProfileFileInput(0x0C, BoundProfile()));
    auto odd = std::make_unique<ProfileRecord>();
    MakeDefaultRecord(*odd, 3311);
    odd->pointerSpeed = 0;
    odd->reportRateIndex = 7;
    odd->currentDpiLevel = -1;
    odd->dpiLevelCount = 9;
    odd->lightMode = 12;
    odd->lightBrightness = 300;
    odd->lightFixedColour = 0xFF102030;
    odd->buttons[2].functionId = 200;
    odd->buttons[3].functionId = 22;
    odd->buttons[3].macroIndex = 4;
    odd->buttons[3].bindingCount = 41;
    odd->buttons[4].functionId = 10;
    odd->buttons[4].fireClickDelay = 0;
    odd->buttons[4].fireClickCount = 256;
    odd->buttons[5].buttonIndex = 9;
    Bytes oddBytes;
    Append(oddBytes, *odd);
    Put("fuzz_profile_file", "out-of-range-pbin", ProfileFileInput(0x07, oddBytes));
    Put("fuzz_profile_file", "short-pbin", ProfileFileInput(0x07, Head(DefaultProfile(), 4000)));
    // Patches of a default record: a macro button beyond the library and a
    // lighting effect of the last known kind.
    const size_t button7 = offsetof(ProfileRecord, buttons) + 7 * sizeof(ButtonEntry);
    Put("fuzz_profile_file", "patched-macro-button",
        ProfileFileInput(0x27, Cat({Patch(button7 + offsetof(ButtonEntry, functionId), uint8_t(22)),
                                    Patch(button7 + offsetof(ButtonEntry, macroIndex), int32_t(9)),
                                    Patch(button7 + offsetof(ButtonEntry, bindingCount),
                                          uint16_t(kMaxMacroActions)),
                                    Patch(offsetof(ProfileRecord, lightMode), int32_t(11))})));
}

Bytes Utf16WithMark(const std::string& text) {
    Bytes out{0xFF, 0xFE};
    for (unsigned char c : text) {
        out.push_back(c);
        out.push_back(0);
    }
    return out;
}

void DataIniSeeds(const fs::path& programIni) {
    std::ifstream in(programIni, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (text.empty()) {
        std::fprintf(stderr, "cannot read %s\n", programIni.c_str());
        std::exit(1);
    }
    Put("fuzz_data_ini", "program", Bytes(text.begin(), text.end()));
    Put("fuzz_data_ini", "program-utf16", Utf16WithMark(text));
    const std::string odd =
        "\xEF\xBB\xBF[default]\r\n vid = 0x04D9 \r\nSensor=-3370x\r\nDistance=+1\r\n"
        "Distance_Value='255,256,-1,,9'\r\n[Default]\r\nSensor=1\r\n[button]\r\n"
        "3=09,,0x1ff,zz,00\r\n64=\"0a,f0,10,03\"\r\n65=01,01,01,01,01\r\n";
    Put("fuzz_data_ini", "odd-values", Bytes(odd.begin(), odd.end()));
}

void DeviceReplySeeds() {
    const FeatureReport settings = MakeFeature(0x8B, 0x01, 0x02, 0x0C, 0x40, 0x05, 0x06);
    const FeatureReport version = MakeFeature(0x80, 0x01, 0x07);
    // Synchronisation: 0x83 accepted, the read answers, write-back accepted.
    Bytes sync{0x00, 0x01, 0x01};
    sync.insert(sync.end(), settings.begin(), settings.end());
    sync.push_back(0x01);
    Put("fuzz_device_replies", "sync", sync);
    Bytes read{0x01, 0x01, 0x01};
    read.insert(read.end(), version.begin(), version.end());
    Put("fuzz_device_replies", "version", read);
    // A refused read, then a write-back into which the device writes.
    Put("fuzz_device_replies", "refused-sync", {0x03, 0x01, 0x00, 0x81, 1, 2, 3, 4, 5, 6, 7, 8});
    // An apply in which the mouse accepts everything.
    Bytes apply{0x02, 0x01, 0x01};
    apply.insert(apply.end(), settings.begin(), settings.end());
    apply.insert(apply.end(), 200, 0x01);
    Put("fuzz_device_replies", "apply", apply);
}

void DeviceNoticeSeeds() {
    // Present at start-up; DPI, rate and mode notices; a stray report.
    Put("fuzz_device_notices", "notices",
        {0x01, 0, 2, 0x07, 0x03, 0, 2, 0x05, 0x04, 0, 3, 0x08, 0x02, 0xFF, 0, 2, 0x06, 0x01});
    Bytes plug{0x00};
    auto udev = [&plug](uint8_t flags, const std::string& path, const std::string& a,
                        const std::string& b) {
        plug.push_back(2);
        plug.push_back(flags);
        for (const std::string* s : {&path, &a, &b}) {
            plug.push_back(uint8_t(s->size()));
            plug.insert(plug.end(), s->begin(), s->end());
        }
    };
    udev(0x08, "/sys/hidraw0", "04d9", "a09f");
    udev(0x0C, "/sys/hidraw1", "0003:000004D9:0000A09F", "");
    plug.push_back(3);  // the arrival settles
    udev(0x01, "/sys/hidraw0", "", "");
    udev(0x01, "/sys/hidraw1", "", "");
    Put("fuzz_device_notices", "plug-unplug", plug);
    // A posted notice, a feature reply and an enumeration of two interfaces.
    Bytes misc{0x01, 1, 0x00, 0x07, 0, 0, 0, 0, 0, 0, 0x08, 0, 0, 0, 0, 0, 0, 0};
    const Bytes reply{4, 9, 0, 0, 0x80, 0x01, 0x07, 0, 0, 0, 0, 0x76};
    const Bytes interfaces{5, 2, 0x00, 0x01, 0x02, 0x00, 0xFF, 0x00, 0x01, 0x01};
    Put("fuzz_device_notices", "misc", Cat({misc, reply, interfaces}));
}

Bytes Frame(uint8_t op, const Bytes& payload) {
    return w::EncodeFrame(w::Frame{op, 0, payload});
}

void SimWireSeeds() {
    const FeatureReport colour = MakeFeature(0x0C, 0x10, 0x20, 0x30);
    const FeatureReport announce = MakeFeature(0x13, 0x01, 0x80);
    Bytes macro = Frame(w::kSetFeature, Bytes(announce.begin(), announce.end()));
    for (int i = 0; i < 4; ++i) {
        macro = Cat({macro, Frame(w::kWriteUsb, Bytes(32, uint8_t(i + 1)))});
    }
    Put("fuzz_sim_wire", "requests",
        Cat({{0x00},
             Frame(w::kSetFeature, Bytes(colour.begin(), colour.end())),
             Frame(w::kGetFeature, {0x80, 0, 0, 0, 0, 0, 0, 0}),
             macro,
             Frame(w::kPress, {0, 3}),
             Frame(w::kFail, {1, 2, 0}),
             Frame(w::kSetFeature, Bytes(colour.begin(), colour.end())),
             Frame(w::kUnplug, {}),
             Frame(w::kPress, {1, 1}),
             Frame(w::kPlug, {}),
             Frame(w::kSetVersion, {2, 5})}));
    const std::string state = EncodeSimState(SimState{});
    Put("fuzz_sim_wire", "state-text-in-pieces",
        Cat({{0x07}, Frame(w::kState, Bytes(state.begin(), state.end()))}));
    // A header that announces more than a frame may carry.
    Put("fuzz_sim_wire", "oversized", {0x00, 0x10, 0x00, 0x01, 0x40, 0xAA});
}

// The descriptors of the parser's tests: mice, a keyboard, the vendor
// interface with and without report ids, several collections in one.
void ReportDescriptorSeeds() {
    Put("fuzz_report_descriptor", "plain-mouse", test::FromHex(test::kPlainMouse));
    Put("fuzz_report_descriptor", "keyboard", test::FromHex(test::kKeyboard));
    Put("fuzz_report_descriptor", "vendor-unnumbered", test::FromHex(test::kVendorUnnumbered));
    Put("fuzz_report_descriptor", "vendor-numbered", test::FromHex(test::kVendorNumbered));
    Put("fuzz_report_descriptor", "composite", test::FromHex(test::kComposite));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s CORPUS_FOLDER DATA_INI\n", argv[0]);
        return 2;
    }
    g_root = argv[1];
    StoreSeeds();
    RecordFileSeeds();
    LibraryImportSeeds();
    DataIniSeeds(argv[2]);
    DeviceReplySeeds();
    DeviceNoticeSeeds();
    SimWireSeeds();
    ProfileFileSeeds();
    ReportDescriptorSeeds();
    return 0;
}
