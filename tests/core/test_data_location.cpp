#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include <fstream>
#include <map>
#include <string>

#include "store/data_location.h"
#include "tests/core/temp_dir.h"

namespace mouse {
namespace {

TEST(DataLocation, PortableFoldersKeepTheirStoresAndInstalledOnesUseTheUsersDataFolder) {
    test::TempDir dir;
    const auto portable = dir.path() / "portable-copy";
    const auto installed = dir.path() / "usr/lib/mouse-driver";
    std::filesystem::create_directories(portable);
    std::filesystem::create_directories(installed);
    std::ofstream(portable / kPortableMarker) << "marker";
    const std::string home = getpwuid(getuid())->pw_dir;
    struct Case {
        const char* what;
        std::filesystem::path program;
        std::map<std::string, std::string> env;
        std::filesystem::path expected;
    } cases[] = {
        {"marked folder", portable, {{"HOME", "/home/u"}}, portable / "Data"},
        {"XDG_DATA_HOME",
         installed,
         {{"HOME", "/home/u"}, {"XDG_DATA_HOME", "/data"}},
         "/data/mouse-driver"},
        {"HOME", installed, {{"HOME", "/home/u"}}, "/home/u/.local/share/mouse-driver"},
        {"relative values are ignored",
         installed,
         {{"HOME", "/home/u"}, {"XDG_DATA_HOME", "rel/data"}},
         "/home/u/.local/share/mouse-driver"},
        {"no HOME: the password database",
         installed,
         {},
         std::filesystem::path(home) / ".local/share/mouse-driver"},
    };
    for (const Case& c : cases) {
        const DataLocation at = LocateStores(c.program, [&](const char* name) -> const char* {
            const auto it = c.env.find(name);
            return it == c.env.end() ? nullptr : it->second.c_str();
        });
        EXPECT_EQ(at.storeFolder, c.expected) << c.what;
        EXPECT_EQ(at.portable, c.program == portable) << c.what;
    }
}

}  // namespace
}  // namespace mouse
