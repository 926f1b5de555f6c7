// The exchange and store files mousectl reads: `mousectl inspect` on every
// file kind, and `mousectl encode` (the whole apply sequence) on a profile.
//
// Input framing:
//   byte 0   bits 0-3: the file's name (index into kNames, taken modulo its
//            size); bit 4: name the kind with --as instead; bit 5: also run
//            encode on the file
//   byte 1   encode's --index
//   bytes 2-7  encode's --settings (the settings block the stand-in mouse
//            answers with)
//   then     the file's bytes
#include <sstream>

#include "cli/core_commands.h"
#include "cli/record_files.h"
#include "device/encode.h"
#include "fuzz/fuzz_support.h"

namespace {

using namespace mouse;

struct Name {
    const char* file;
    const char* as;
};

constexpr Name kNames[] = {
    {"x.pbin", "pbin"},        {"profile.bin", "profile"}, {"x.mbin", "mbin"},
    {"x.mbins", "mbins"},      {"macro.bin", "macro"},     {"x.gbin", "gbin"},
    {"x.gbins", "gbins"},      {"gun.bin", "gun"},         {"Data.bin", "data"},
    {"X.PBIN", "profile.bin"}, {"Gun.Bin", "gun.bin"},     {"MACRO.BIN", "macros"},
};

int HexValue(char c) {
    return c <= '9' ? c - '0' : c - 'a' + 10;
}

// Every feature report encode prints carries a valid checksum.
void CheckTranscript(const std::string& text) {
    std::istringstream lines(text);
    std::string line;
    size_t count = 0;
    while (std::getline(lines, line)) {
        ++count;
        const std::string prefix = "SetFeature ";
        if (line.rfind(prefix, 0) != 0) {
            continue;
        }
        FUZZ_CHECK(line.size() == prefix.size() + 16);
        uint8_t report[8];
        for (size_t i = 0; i < 8; ++i) {
            report[i] = uint8_t(HexValue(line[prefix.size() + 2 * i]) << 4 |
                                HexValue(line[prefix.size() + 2 * i + 1]));
        }
        FUZZ_CHECK(FeatureChecksumValid(report));
    }
    FUZZ_CHECK(count > 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::ByteReader in(data, size);
    const uint8_t mode = in.U8();
    const uint8_t index = in.U8();
    const auto settingsBytes = in.Take(6);
    const auto file = in.Rest();

    const Name& name = kNames[(mode & 0x0F) % std::size(kNames)];
    const bool useAs = (mode & 0x10) != 0;
    const bool encode = (mode & 0x20) != 0;

    const auto folder = fuzz::ScratchFolder("record-files");
    const std::filesystem::path path = folder / (useAs ? "input.bin" : name.file);
    fuzz::WriteFile(path, file);

    std::vector<std::string> args{path.string()};
    if (useAs) {
        args.insert(args.end(), {"--as", name.as});
    }
    std::ostringstream out, err;
    const int inspected = cli::RunInspect(args, out, err);
    // The exit status follows the length check alone.
    const auto kind = useAs ? cli::KindFromName(name.as) : cli::KindFromPath(path);
    FUZZ_CHECK(kind.has_value());
    const cli::LengthCheck check = cli::CheckLength(file.size(), *kind);
    FUZZ_CHECK(inspected == (check.problem.empty() ? cli::kExitOk : cli::kExitFileError));

    if (encode) {
        std::string settings;
        static constexpr char kDigits[] = "0123456789abcdef";
        for (size_t i = 0; i < 6; ++i) {
            const uint8_t b = i < settingsBytes.size() ? settingsBytes[i] : 0;
            settings += kDigits[b >> 4];
            settings += kDigits[b & 0x0F];
        }
        std::ostringstream encoded, encodeErr;
        const int result = cli::RunEncode(
            {path.string(), "--index", std::to_string(index), "--settings", settings}, encoded,
            encodeErr);
        const size_t profiles = file.size() / sizeof(ProfileRecord);
        const bool whole = file.size() % sizeof(ProfileRecord) == 0 && profiles > 0;
        if (whole && index < profiles) {
            FUZZ_CHECK(result == cli::kExitOk);
            CheckTranscript(encoded.str());
        } else {
            FUZZ_CHECK(result != cli::kExitOk);
        }
    }
    return 0;
}
