// Runs the built mousectl as a separate program, in a temporary folder of
// its own per test, optionally against a virtual mouse.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "device/records.h"

namespace mouse {

struct RunResult {
    int status = -1;
    std::string out;
    std::string err;
};

inline std::string ReadFileText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

class MousectlTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = std::filesystem::temp_directory_path() /
              ("mousectl_test_" + std::to_string(getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        // mousectl apply writes the desktop's pointer settings: never the
        // tester's own. A private in-memory store, no X display, no known
        // desktop, a private config folder and no session bus.
        setenv("GSETTINGS_BACKEND", "memory", 1);
        unsetenv("DISPLAY");
        unsetenv("XDG_CURRENT_DESKTOP");
        setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
        setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/mouse-test-bus", 1);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    // Runs mousectl with the arguments (each quoted for the shell); with
    // simSocket set, against that virtual mouse.
    RunResult Run(const std::vector<std::string>& args) {
        std::string command;
        if (!simSocket.empty()) {
            command = "MOUSE_SIM_SOCKET='" + simSocket + "' ";
        }
        command += std::string("'") + MOUSECTL_PATH + "'";
        for (const std::string& arg : args) {
            command += " '" + arg + "'";
        }
        const std::filesystem::path outPath = dir / "stdout.txt", errPath = dir / "stderr.txt";
        command += " >'" + outPath.string() + "' 2>'" + errPath.string() + "'";
        const int raw = std::system(command.c_str());
        RunResult result;
        result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        result.out = ReadFileText(outPath);
        result.err = ReadFileText(errPath);
        return result;
    }

    std::filesystem::path NewProfile(const std::string& name, int sensor = 3311) {
        const std::filesystem::path path = dir / (name + ".pbin");
        const RunResult r =
            Run({"new-profile", "--sensor", std::to_string(sensor), "--name", name, path.string()});
        EXPECT_EQ(r.status, 0) << r.err;
        return path;
    }

    std::filesystem::path dir;
    std::string simSocket;
};

}  // namespace mouse
