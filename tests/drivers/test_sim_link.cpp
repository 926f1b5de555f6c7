// The device-access library talking to the virtual mouse, loaded with dlopen
// from the program folder as the program does.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <thread>

#include "drivers/sim/sim_client.h"
#include "drivers/sim/sim_process.h"
#include "tests/drivers/driver_support.h"

namespace mouse::test {
namespace {

class SimLink : public testing::Test {
protected:
    void TearDown() override {
        if (lib_ && lib_->Ok()) {
            lib_->closeDevMonitor();
        }
        lib_.reset();
        unsetenv("MOUSE_SIM_SOCKET");
    }

    // Starts a sim with `args`, points the library at it and loads it.
    void Start(const std::vector<std::string>& args = {}) {
        ASSERT_TRUE(sim_.Start(kSimPath, args)) << sim_.Error();
        setenv("MOUSE_SIM_SOCKET", sim_.SocketPath().c_str(), 1);
        Load();
    }

    void Load() {
        lib_ = std::make_unique<DriverLib>();
        ASSERT_TRUE(lib_->Ok()) << lib_->Error();
        lib_->setVidPid(0x04D9, 0xA09F);
    }

    // Both channels, as the program opens them at start-up and on arrival.
    int Open() {
        lib_->openFeature();
        return lib_->openReport();
    }

    void StartOpen(const std::vector<std::string>& args = {}) {
        Start(args);
        ASSERT_NE(Open(), 0);
    }

    void Monitor() {
        const MsWindow window = queue_.Window();
        lib_->openDevMonitor(&window, kNoticeMsg, kDeviceMsg);
    }

    int Set(Feature f) { return lib_->setFeature(f.data(), 8); }
    int Set(uint8_t cmd, uint8_t p1 = 0, uint8_t p2 = 0, uint8_t p3 = 0) {
        return Set(MakeFeature(cmd, p1, p2, p3));
    }
    int Get(Feature& f) { return lib_->getFeature(f.data(), 8); }
    int Write(Data d) { return lib_->writeUsb(d.data(), 32); }

    SimState State() {
        auto s = SimGetState(sim_.SocketPath());
        EXPECT_TRUE(s.has_value()) << "no state from the sim";
        return s.value_or(SimState{});
    }

    const std::string& Socket() const { return sim_.SocketPath(); }

    MessageQueue queue_;  // outlives the library, whose monitor posts into it
    SimProcess sim_;
    std::unique_ptr<DriverLib> lib_;
};

TEST_F(SimLink, OpenSucceedsOnlyWithAPluggedMouse) {
    Start({"--unplugged"});
    EXPECT_EQ(Open(), 0);
    EXPECT_EQ(Set(0x02, 1), 0);
    ASSERT_TRUE(SimPlug(Socket()));
    EXPECT_NE(Open(), 0);
    EXPECT_NE(Set(0x02, 1), 0);
}

TEST_F(SimLink, NoSimBehindTheSocketNameMeansNoMouse) {
    setenv("MOUSE_SIM_SOCKET", "/nonexistent/mouse.sock", 1);
    Load();
    EXPECT_EQ(Open(), 0);
    Feature f = MakeFeature(0x8B);
    EXPECT_EQ(Get(f), 0);
    EXPECT_EQ(Write(Data{}), 0);
    const MsWindow window = queue_.Window();
    lib_->openDevMonitor(&window, kNoticeMsg, kDeviceMsg);
    lib_->closeDevMonitor();
    EXPECT_EQ(queue_.Size(), 0u);
}

TEST_F(SimLink, FeatureReportsWithoutValidChecksumOrParametersAreRefused) {
    StartOpen();
    struct Case {
        const char* what;
        Feature report;
        int result;
    } cases[] = {
        {"fixed colour", MakeFeature(0x0C, 0x10, 0x20, 0x30), 1},
        {"checksum one too high",
         [] {
             Feature f = MakeFeature(0x0C, 1, 2, 3);
             ++f[7];
             return f;
         }(),
         0},
        {"all zero", Feature{}, 0},
        {"checksum of other bytes", MakeFeature(0x02, 1, 0, 0, 0, 0, 1), 0},
        {"closing command", MakeFeature(0x08, 0xAA, 0xCC, 0xEE), 1},
        {"closing command with wrong bytes", MakeFeature(0x08, 0xAA, 0xCC, 0xEF), 0},
        {"unknown command", MakeFeature(0x55, 1), 0},
        {"button mode with a stray parameter", MakeFeature(0x02, 1, 0, 0, 0, 1), 0},
        {"colour list with wrong size", MakeFeature(0x10, 0, 0x20), 0},
        {"button chunk 5", MakeFeature(0x12, 5, 0x40), 0},
        {"macro block 0", MakeFeature(0x13, 0, 0x80), 0},
        {"high-DPI mask", MakeFeature(0x07, 0, 0x81), 1},
        {"settings read request via SetFeature", MakeFeature(0x8B), 0},
    };
    uint32_t refused = 0;
    for (const Case& c : cases) {
        EXPECT_EQ(Set(c.report), c.result) << c.what;
        refused += c.result == 0 ? 1 : 0;
    }
    const SimState s = State();
    EXPECT_EQ(s.refusedCount, refused);
    EXPECT_EQ(s.fixedColour, (std::array<uint8_t, 3>{0x10, 0x20, 0x30}));
    EXPECT_EQ(s.closingCount, 1u);
    EXPECT_EQ(s.highDpiMask, 0x81);
    EXPECT_EQ(s.buttonMode, 0) << "a refused report changed the mouse";
}

TEST_F(SimLink, EverySettingCommandIsKeptAsSent) {
    StartOpen();
    EXPECT_NE(Set(0x02, 2), 0);
    EXPECT_NE(Set(0x01, 4), 0);
    EXPECT_NE(Set(0x0B, 6), 0);
    EXPECT_NE(Set(0x0D, 9, 0x80, 0x23), 0);
    EXPECT_NE(Set(0x04, 3, 7), 0);
    EXPECT_NE(Set(0x08, 0xAA, 0xCC, 0xEE), 0);
    EXPECT_NE(Set(0x08, 0xAA, 0xCC, 0xEE), 0);
    const SimState s = State();
    EXPECT_EQ(s.buttonMode, 2);
    EXPECT_EQ(s.reportRate, 4);
    EXPECT_EQ(s.dpiLevel, 6);
    EXPECT_EQ(s.lightEffect, 9);
    EXPECT_EQ(s.lightP, 0x80);
    EXPECT_EQ(s.lightQ, 0x23);
    EXPECT_EQ(s.liftOff, 3);
    EXPECT_EQ(s.keyResponse, 7);
    EXPECT_EQ(s.closingCount, 2u);
    EXPECT_EQ(s.acceptedCount, 7u);
}

TEST_F(SimLink, SettingsBlockReadAndWrittenBack) {
    StartOpen({"--settings", "0102030405ff"});
    EXPECT_NE(Set(0x83), 0);
    Feature f = MakeFeature(0x8B);
    ASSERT_NE(Get(f), 0);
    EXPECT_EQ(f, MakeFeature(0x8B, 0x01, 0x02, 0x03, 0x04, 0x05, 0xFF));

    // The settings write of the synchronisation: bit 3 of byte 3 set, byte 4 0x40.
    EXPECT_NE(Set(MakeFeature(0x03, f[1], f[2], f[3] | 0x08, 0x40, f[5], f[6])), 0);
    Feature again = MakeFeature(0x8B);
    ASSERT_NE(Get(again), 0);
    EXPECT_EQ(again, MakeFeature(0x8B, 0x01, 0x02, 0x0B, 0x40, 0x05, 0xFF));
    EXPECT_EQ(State().settings, (std::array<uint8_t, 6>{0x01, 0x02, 0x0B, 0x40, 0x05, 0xFF}));
}

TEST_F(SimLink, FirmwareVersionRead) {
    StartOpen({"--version", "2.7"});
    EXPECT_NE(Set(0x80), 0);               // 80 00 .. 7F announces the read
    Feature f{0x80, 0, 0, 0, 0, 0, 0, 0};  // the read itself goes without checksum
    ASSERT_NE(Get(f), 0);
    EXPECT_EQ(f, MakeFeature(0x80, 2, 7));

    ASSERT_TRUE(SimSetVersion(Socket(), 3, 10));
    f = Feature{0x80, 0, 0, 0, 0, 0, 0, 0};
    ASSERT_NE(Get(f), 0);
    EXPECT_EQ(f[1], 3);
    EXPECT_EQ(f[2], 10);

    const Feature unknownRequests[] = {MakeFeature(0x42), Feature{0x80, 1, 0, 0, 0, 0, 0, 0},
                                       Feature{0x8B, 0, 0, 0, 0, 0, 0, 0}};
    for (Feature request : unknownRequests) {
        const Feature before = request;
        EXPECT_EQ(Get(request), 0) << HexBytes(before);
        EXPECT_EQ(request, before) << "a refused read changed the buffer";
    }
}

// The announcing feature report, the data reports it announces and where
// their bytes must end up.
struct Block {
    const char* what;
    Feature announce;
    int reports;
    size_t used;  // payload bytes per report
    std::function<std::vector<uint8_t>(const SimState&)> stored;
};

std::vector<Block> Blocks() {
    auto bytes = [](auto begin, auto end) { return std::vector<uint8_t>(begin, end); };
    return {
        {"cycle colours", MakeFeature(0x10, 0, 0x18), 1, 24,
         [=](const SimState& s) { return bytes(s.cycleColours.begin(), s.cycleColours.end()); }},
        {"DPI colours", MakeFeature(0x10, 1, 0x18), 1, 24,
         [=](const SimState& s) { return bytes(s.dpiColours.begin(), s.dpiColours.end()); }},
        {"DPI table", MakeFeature(0x11, 5, 0x08), 1, 8,
         [=](const SimState& s) { return bytes(s.dpiTable.begin(), s.dpiTable.end()); }},
        {"button chunk 1", MakeFeature(0x12, 1, 0x40), 2, 32,
         [=](const SimState& s) {
             return bytes(s.buttonTable.begin(), s.buttonTable.begin() + 64);
         }},
        {"button chunk 4", MakeFeature(0x12, 4, 0x40), 2, 32,
         [=](const SimState& s) {
             return bytes(s.buttonTable.begin() + 192, s.buttonTable.end());
         }},
        {"macro block 1", MakeFeature(0x13, 1, 0x80), 4, 32,
         [=](const SimState& s) {
             return s.macroBlocks[0] ? bytes(s.macroBlocks[0]->begin(), s.macroBlocks[0]->end())
                                     : std::vector<uint8_t>{};
         }},
        {"macro block 10", MakeFeature(0x13, 10, 0x80), 4, 32,
         [=](const SimState& s) {
             return s.macroBlocks[9] ? bytes(s.macroBlocks[9]->begin(), s.macroBlocks[9]->end())
                                     : std::vector<uint8_t>{};
         }},
    };
}

TEST_F(SimLink, AnnouncedDataReportsAreStoredAndNoMore) {
    StartOpen();
    uint8_t seed = 1;
    for (const Block& b : Blocks()) {
        ASSERT_NE(Set(b.announce), 0) << b.what;
        std::vector<uint8_t> expected;
        for (int i = 0; i < b.reports; ++i) {
            const Data d = Pattern(seed, i, b.used);
            EXPECT_NE(Write(d), 0) << b.what << " report " << i;
            expected.insert(expected.end(), d.begin(), d.begin() + static_cast<long>(b.used));
        }
        EXPECT_EQ(Write(Pattern(0x77, 0)), 0) << b.what << ": one report too many was taken";
        EXPECT_EQ(b.stored(State()), expected) << b.what;
        seed = static_cast<uint8_t>(seed + 40);
    }
    EXPECT_EQ(State().dpiLevelCount, 5);
}

TEST_F(SimLink, DataWithoutAnnouncementIsRefused) {
    StartOpen();
    EXPECT_EQ(Write(Pattern(1, 0)), 0) << "no announcement at all";

    // An announcement ends with the next accepted feature report.
    ASSERT_NE(Set(0x13, 3, 0x80), 0);
    EXPECT_NE(Write(Pattern(1, 0)), 0);
    EXPECT_NE(Write(Pattern(1, 1)), 0);
    ASSERT_NE(Set(0x02, 1), 0);
    EXPECT_EQ(Write(Pattern(1, 2)), 0);
    EXPECT_FALSE(State().macroBlocks[2].has_value()) << "a partial macro block was stored";

    // A refused feature report does not end it.
    ASSERT_NE(Set(0x11, 4, 0x08), 0);
    EXPECT_EQ(Set(0x55), 0);
    EXPECT_NE(Write(Pattern(9, 0, 8)), 0);
    EXPECT_EQ(State().dpiLevelCount, 4);

    // Bytes after a short payload must be zero.
    ASSERT_NE(Set(0x10, 0, 0x18), 0);
    EXPECT_EQ(Write(Pattern(1, 0, 25)), 0);
    EXPECT_NE(Write(Pattern(1, 0, 24)), 0);

    EXPECT_EQ(State().refusedCount, 4u);
}

TEST_F(SimLink, WrongLengthsAndNullBuffersAreRefusedBeforeTheMouse) {
    StartOpen();
    Feature f = MakeFeature(0x02, 1);
    Data d{};
    EXPECT_EQ(lib_->setFeature(f.data(), 7), 0);
    EXPECT_EQ(lib_->setFeature(f.data(), 9), 0);
    EXPECT_EQ(lib_->setFeature(nullptr, 8), 0);
    EXPECT_EQ(lib_->getFeature(f.data(), 32), 0);
    EXPECT_EQ(lib_->getFeature(nullptr, 8), 0);
    EXPECT_EQ(lib_->writeUsb(d.data(), 8), 0);
    EXPECT_EQ(lib_->writeUsb(nullptr, 32), 0);
    const SimState s = State();
    EXPECT_EQ(s.acceptedCount + s.refusedCount, 0u);
}

TEST_F(SimLink, MonitorPostsPlugAndButtonNotices) {
    StartOpen();
    Monitor();
    ASSERT_TRUE(SimPlug(Socket()));  // already plugged: no message
    ASSERT_TRUE(SimUnplug(Socket()));
    EXPECT_EQ(queue_.Next(), (Message{kDeviceMsg, 0, 0}));
    EXPECT_FALSE(SimPress(Socket(), SimButton::Dpi, 2)) << "an unplugged mouse has no buttons";
    ASSERT_TRUE(SimUnplug(Socket()));
    ASSERT_TRUE(SimPlug(Socket()));
    EXPECT_EQ(queue_.Next(), (Message{kDeviceMsg, 1, 0}));

    struct Press {
        SimButton button;
        int n;
        uintptr_t wParam;
    } presses[] = {{SimButton::Dpi, 3, 0x700},
                   {SimButton::Rate, 4, 0x500},
                   {SimButton::Mode, 2, 0x800},
                   {SimButton::Dpi, 8, 0x700}};
    for (const Press& p : presses) {
        ASSERT_TRUE(SimPress(Socket(), p.button, p.n));
        EXPECT_EQ(queue_.Next(), (Message{kNoticeMsg, p.wParam, p.n}));
    }
    const SimState s = State();
    EXPECT_EQ(s.dpiLevel, 8);
    EXPECT_EQ(s.reportRate, 4);
    EXPECT_EQ(s.buttonMode, 2);
}

TEST_F(SimLink, ClosedMonitorPostsNothingMore) {
    StartOpen();
    Monitor();
    lib_->closeDevMonitor();
    ASSERT_TRUE(SimUnplug(Socket()));
    Monitor();
    ASSERT_TRUE(SimPlug(Socket()));
    // Had the first monitor still run, the removal would come first.
    EXPECT_EQ(queue_.Next(), (Message{kDeviceMsg, 1, 0}));
}

TEST_F(SimLink, UnpluggedMouseFailsEveryCallUntilReopened) {
    StartOpen();
    ASSERT_TRUE(SimUnplug(Socket()));
    Feature f = MakeFeature(0x8B);
    EXPECT_EQ(Set(0x02, 1), 0);
    EXPECT_EQ(Get(f), 0);
    EXPECT_EQ(Write(Data{}), 0);
    EXPECT_EQ(lib_->openReport(), 0);

    ASSERT_TRUE(SimPlug(Socket()));
    EXPECT_EQ(Set(0x02, 1), 0) << "a channel from before the unplug still works";
    lib_->closeFeature();
    lib_->closeReport();
    ASSERT_NE(Open(), 0);
    EXPECT_NE(Set(0x02, 1), 0);
    EXPECT_NE(Get(f), 0);
}

TEST_F(SimLink, MouseKeepsEverythingAcrossUnplugAndPlug) {
    StartOpen();
    ASSERT_NE(Set(MakeFeature(0x03, 9, 8, 7, 0x40)), 0);
    ASSERT_NE(Set(0x0C, 1, 2, 3), 0);
    ASSERT_NE(Set(0x13, 2, 0x80), 0);
    for (int i = 0; i < 4; ++i) {
        ASSERT_NE(Write(Pattern(5, i)), 0);
    }
    ASSERT_NE(Set(0x12, 2, 0x40), 0);
    ASSERT_NE(Write(Pattern(100, 0)), 0);
    ASSERT_NE(Write(Pattern(100, 1)), 0);
    SimState before = State();

    ASSERT_TRUE(SimUnplug(Socket()));
    ASSERT_TRUE(SimPlug(Socket()));
    lib_->closeFeature();
    lib_->closeReport();
    ASSERT_NE(Open(), 0);
    Feature f = MakeFeature(0x8B);
    ASSERT_NE(Get(f), 0);
    EXPECT_EQ(f, MakeFeature(0x8B, 9, 8, 7, 0x40));

    SimState after = State();
    before.acceptedCount = after.acceptedCount;  // the read above
    EXPECT_EQ(after, before) << FormatSimState(after);
    ASSERT_TRUE(after.macroBlocks[1].has_value());
    EXPECT_EQ((*after.macroBlocks[1])[127], static_cast<uint8_t>(5 + 96 + 31));
    EXPECT_EQ(after.buttonTable[64], 100);
}

TEST_F(SimLink, InjectedFaultsFailChosenExchanges) {
    StartOpen();
    const std::string& s = Socket();

    // SetFeature with one command.
    ASSERT_TRUE(SimFailCommand(s, SimCall::SetFeature, 0x0C));
    EXPECT_EQ(Set(0x0C, 1, 2, 3), 0);
    EXPECT_NE(Set(0x02, 2), 0);
    EXPECT_EQ(State().fixedColour, (std::array<uint8_t, 3>{0, 0, 0}));
    ASSERT_TRUE(SimFailClear(s));
    EXPECT_NE(Set(0x0C, 1, 2, 3), 0);

    // The next N exchanges, whatever they are.
    ASSERT_TRUE(SimFailNext(s, 2));
    Feature f = MakeFeature(0x8B);
    EXPECT_EQ(Set(0x02, 1), 0);
    EXPECT_EQ(Get(f), 0);
    EXPECT_NE(Get(f), 0);

    // Data reports by the command that announced them.
    ASSERT_TRUE(SimFailCommand(s, SimCall::WriteUSB, 0x12));
    EXPECT_NE(Set(0x12, 1, 0x40), 0);
    EXPECT_EQ(Write(Pattern(1, 0)), 0);
    EXPECT_NE(Set(0x10, 0, 0x18), 0);
    EXPECT_NE(Write(Pattern(1, 0, 24)), 0);

    // GetFeature of the version only.
    ASSERT_TRUE(SimFailCommand(s, SimCall::GetFeature, 0x80));
    Feature version{0x80, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(Get(version), 0);
    f = MakeFeature(0x8B);
    EXPECT_NE(Get(f), 0);

    // Everything, until cleared.
    ASSERT_TRUE(SimFailAll(s));
    EXPECT_EQ(Set(0x02, 1), 0);
    EXPECT_EQ(Get(f), 0);
    ASSERT_TRUE(SimFailClear(s));
    EXPECT_NE(Set(0x02, 1), 0);
    version = Feature{0x80, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_NE(Get(version), 0);

    const SimState st = State();
    EXPECT_EQ(st.faultCount, 7u);
    EXPECT_EQ(st.refusedCount, 0u);
    EXPECT_EQ(st.buttonMode, 1);
}

TEST_F(SimLink, SimGoneFailsCallsAndPostsRemoval) {
    StartOpen();
    Monitor();
    sim_.Kill();
    EXPECT_EQ(queue_.Next(), (Message{kDeviceMsg, 0, 0}));
    Feature f = MakeFeature(0x8B);
    EXPECT_EQ(Set(0x02, 1), 0);
    EXPECT_EQ(Get(f), 0);
    EXPECT_EQ(Write(Data{}), 0);
    EXPECT_EQ(Open(), 0);
}

TEST_F(SimLink, CallsFromManyThreadsDoNotInterleave) {
    StartOpen();
    constexpr int kThreads = 4;
    constexpr int kCalls = 100;
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kCalls; ++i) {
                if (t % 2 == 0) {
                    Feature f = MakeFeature(0x0B, static_cast<uint8_t>(1 + i % 8));
                    failures += lib_->setFeature(f.data(), 8) == 0 ? 1 : 0;
                } else {
                    Feature f = MakeFeature(0x8B);
                    failures += lib_->getFeature(f.data(), 8) == 0 || f[0] != 0x8B ? 1 : 0;
                }
            }
        });
    }
    for (auto& th : threads) {
        th.join();
    }
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(State().acceptedCount, static_cast<uint32_t>(kThreads * kCalls));
}

TEST_F(SimLink, UnloadingWithARunningMonitorStopsIt) {
    StartOpen();
    Monitor();
    lib_->Unload();  // no Close_DevMonitor first, as the program does
    EXPECT_EQ(dlopen(kLibraryPath.c_str(), RTLD_NOW | RTLD_NOLOAD), nullptr)
        << "the library stayed loaded";
    // Events after the unload reach nobody; the queue must stay untouched.
    ASSERT_TRUE(SimUnplug(Socket()));
    ASSERT_TRUE(SimPlug(Socket()));
    Load();
    EXPECT_NE(Open(), 0);
    Monitor();
    ASSERT_TRUE(SimPress(Socket(), SimButton::Mode, 1));
    EXPECT_EQ(queue_.Next(), (Message{kNoticeMsg, 0x800, 1}));
}

TEST_F(SimLink, LogHasOneLinePerExchange) {
    SimProcess probe;  // only for a private folder
    const std::string log = probe.PathFor("exchanges.log");
    StartOpen({"--log", log});
    ASSERT_NE(Set(0x0C, 0xAB, 0xCD, 0xEF), 0);
    Feature version{0x80, 0, 0, 0, 0, 0, 0, 0};
    ASSERT_NE(Get(version), 0);
    ASSERT_NE(Set(0x10, 1, 0x18), 0);
    ASSERT_NE(Write(Pattern(0xF0, 0, 24)), 0);
    EXPECT_EQ(Set(0x55), 0);  // refused, still logged
    ASSERT_EQ(sim_.Stop(), 0);

    std::ifstream in(log);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    const Feature colour = MakeFeature(0x0C, 0xAB, 0xCD, 0xEF);
    const Feature announce = MakeFeature(0x10, 1, 0x18);
    const Feature unknown = MakeFeature(0x55);
    const Feature reply = MakeFeature(0x80, 1, 0);
    const Data data = Pattern(0xF0, 0, 24);
    const std::vector<std::string> expected = {
        "SetFeature " + HexBytes(colour),   "GetFeature 8000000000000000 " + HexBytes(reply),
        "SetFeature " + HexBytes(announce), "WriteUSB " + HexBytes(data),
        "SetFeature " + HexBytes(unknown),
    };
    ASSERT_EQ(lines.size(), expected.size());
    long last = -1;
    for (size_t i = 0; i < lines.size(); ++i) {
        // "<milliseconds> <exchange>"
        const size_t space = lines[i].find(' ');
        ASSERT_NE(space, std::string::npos) << lines[i];
        const std::string stamp = lines[i].substr(0, space);
        ASSERT_FALSE(stamp.empty());
        ASSERT_EQ(stamp.find_first_not_of("0123456789"), std::string::npos) << lines[i];
        EXPECT_EQ(lines[i].substr(space + 1), expected[i]);
        const long t = std::stol(stamp);
        EXPECT_GE(t, last) << "time stamps go backwards";
        last = t;
    }
}

TEST_F(SimLink, SimEndsCleanlyOnSigtermAndRemovesItsSocket) {
    Start();
    ASSERT_TRUE(std::filesystem::exists(Socket()));
    EXPECT_EQ(sim_.Stop(), 0);
    EXPECT_FALSE(std::filesystem::exists(Socket()));
}

TEST_F(SimLink, SecondSimRefusesALiveSocketButTakesOverAStaleOne) {
    Start();
    SimProcess second;
    // Pointing the second sim at the first one's socket must fail.
    EXPECT_FALSE(second.Start(kSimPath, {"--socket", Socket()})) << "two sims on one socket";
    sim_.Kill();  // leaves its socket file behind
    ASSERT_TRUE(std::filesystem::exists(Socket()));
    SimProcess third;
    ASSERT_TRUE(third.Start(kSimPath, {"--socket", Socket()})) << third.Error();
    EXPECT_TRUE(SimGetState(Socket()).has_value());
}

}  // namespace
}  // namespace mouse::test
