// mousectl inspect on what it must refuse and on files far larger than any
// real one (sparse, so they cost no disk): a Data.bin of the wrong length, a
// FIFO, a device or a folder is refused with one error line and no listing; a
// huge profile.bin is listed whole while the program's peak memory stays near
// that of listing a single record.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "cli/inspect.h"
#include "cli/mousectl_fixture.h"
#include "cli/record_files.h"
#include "store/data_ini.h"

namespace mouse {
namespace {

namespace fs = std::filesystem;

constexpr uint64_t kMiB = 1024 * 1024;

struct MeasuredRun {
    int status = -1;
    std::string outHead;  // the first bytes of stdout
    uint64_t outBytes = 0;
    std::string err;
    uint64_t peakKiB = 0;
};

// Runs mousectl with stdout on a pipe that is drained as it fills (only the
// head is kept) and reports the program's peak resident memory.
MeasuredRun RunMeasured(const fs::path& dir, const std::vector<std::string>& args) {
    const fs::path errPath = dir / "stderr.txt";
    std::vector<char*> argv{const_cast<char*>(MOUSECTL_PATH)};
    for (const std::string& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    int pipeFds[2];
    EXPECT_EQ(::pipe(pipeFds), 0);
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int errFd = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(pipeFds[1], 1);
        ::dup2(errFd, 2);
        ::close(pipeFds[0]);
        ::execv(MOUSECTL_PATH, argv.data());
        ::_exit(127);
    }
    ::close(pipeFds[1]);
    MeasuredRun run;
    char buffer[64 * 1024];
    for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) != 0;) {
        if (n > 0) {
            run.outHead.append(buffer, size_t(n)).resize(std::min<size_t>(run.outHead.size(), 512));
            run.outBytes += uint64_t(n);
        } else if (errno != EINTR) {
            break;
        }
    }
    ::close(pipeFds[0]);
    int raw = 0;
    struct rusage usage {};
    EXPECT_EQ(::wait4(pid, &raw, 0, &usage), pid);
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    run.peakKiB = uint64_t(usage.ru_maxrss);
    run.err = ReadFileText(errPath);
    return run;
}

fs::path SparseFile(const fs::path& path, uint64_t size) {
    fs::create_directories(path.parent_path());
    { std::ofstream create(path, std::ios::binary | std::ios::trunc); }
    EXPECT_EQ(::truncate(path.c_str(), off_t(size)), 0) << path;
    return path;
}

TEST_F(MousectlTest, InspectRefusesWhatItCannotListAndStreamsHugeFiles) {
    const std::string noIni = (dir / "empty.ini").string();  // no sensor: steps only
    std::ofstream(noIni).close();
    const cli::FileKind profileKind = *cli::KindFromName("profile");
    // Every record of the big profile.bin lists as this all-zero one does,
    // after its own "profile N:" line.
    std::ostringstream one;
    cli::PrintRecords(std::vector<uint8_t>(sizeof(ProfileRecord)), profileKind, one,
                      DeviceConfig{}.sensor);
    const size_t recordBody = one.str().size() - std::string("profile 0:\n").size();

    const fs::path single = SparseFile(dir / "single" / "profile.bin", sizeof(ProfileRecord));
    const MeasuredRun base = RunMeasured(dir, {"inspect", single.string(), "--ini", noIni});
    ASSERT_EQ(base.status, 0) << base.err;

    const uint64_t profiles = 256 * kMiB / sizeof(ProfileRecord);
    const fs::path fifo = dir / "fifo" / "Data.bin";
    fs::create_directories(fifo.parent_path());
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    fs::create_directories(dir / "folder" / "profile.bin");
    struct Case {
        fs::path path;
        std::vector<std::string> as;
        int status;
        std::string header;  // the first line of stdout; empty: no stdout at all
        std::string err;     // stderr after "mousectl inspect: PATH: "; empty: none
    };
    const Case cases[] = {
        {SparseFile(dir / "Data.bin", 256 * kMiB),
         {},
         1,
         "",
         "268435456 bytes; a Data.bin file is exactly 8 bytes"},
        {SparseFile(dir / "state.dat", 16),
         {"--as", "data"},
         1,
         "",
         "16 bytes; a Data.bin file is exactly 8 bytes"},
        {SparseFile(dir / "DATA.BIN", 0), {}, 1, "", "0 bytes; a Data.bin file is exactly 8 bytes"},
        {fifo, {}, 1, "", "cannot be read"},
        {"/dev/zero", {"--as", "profile"}, 1, "", "cannot be read"},
        {dir / "folder" / "profile.bin", {}, 1, "", "is a folder, not a file"},
        {SparseFile(dir / "profile.bin", profiles * sizeof(ProfileRecord)),
         {},
         0,
         "profile, " + std::to_string(profiles * sizeof(ProfileRecord)) + " bytes, " +
             std::to_string(profiles) + " whole profile records",
         ""},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args{"inspect", c.path.string(), "--ini", noIni};
        args.insert(args.end(), c.as.begin(), c.as.end());
        const MeasuredRun r = RunMeasured(dir, args);
        EXPECT_EQ(r.status, c.status) << c.path << ": " << r.err;
        EXPECT_LT(r.peakKiB, base.peakKiB + 64 * 1024) << c.path;
        EXPECT_EQ(r.err, c.err.empty()
                             ? ""
                             : "mousectl inspect: " + c.path.string() + ": " + c.err + "\n");
        if (c.header.empty()) {
            EXPECT_EQ(r.outBytes, 0u) << c.path << ": " << r.outHead;
            continue;
        }
        const std::string header = c.path.string() + ": " + c.header + "\n";
        EXPECT_EQ(r.outHead.substr(0, header.size()), header);
        uint64_t expected = header.size() + profiles * recordBody;
        for (uint64_t i = 0; i < profiles; ++i) {
            expected += ("profile " + std::to_string(i) + ":\n").size();
        }
        EXPECT_EQ(r.outBytes, expected) << c.path;
    }
}

}  // namespace
}  // namespace mouse
