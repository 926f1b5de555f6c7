// Test entry with a watchdog: a test that has not finished after kLimit
// seconds ends the whole run (SIGALRM), so a hang in the library or the sim
// fails instead of stalling ctest.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

namespace {

constexpr unsigned kLimit = 60;

class Watchdog : public testing::EmptyTestEventListener {
    void OnTestStart(const testing::TestInfo&) override { alarm(kLimit); }
    void OnTestEnd(const testing::TestInfo&) override { alarm(0); }
};

}  // namespace

int main(int argc, char** argv) {
    signal(SIGPIPE, SIG_IGN);
    testing::InitGoogleTest(&argc, argv);
    testing::UnitTest::GetInstance()->listeners().Append(new Watchdog);
    return RUN_ALL_TESTS();
}
