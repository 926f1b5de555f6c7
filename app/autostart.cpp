#include "app/autostart.h"

#include <sstream>
#include <string_view>
#include <system_error>
#include <vector>

namespace mouse {

namespace {

// Characters that make an Exec argument need quotes.
constexpr std::string_view kReserved = " \t\n\"'\\><~|&;$*?#()`=";

}  // namespace

std::filesystem::path AutostartFile(const EnvReader& getenv) {
    const std::filesystem::path config = XdgBaseFolder("XDG_CONFIG_HOME", ".config", getenv);
    if (config.empty()) {
        return {};
    }
    return config / "autostart" / (std::string(kDesktopFileId) + ".desktop");
}

std::string DesktopExecArgument(const std::string& argument) {
    std::string out;
    const bool quote = argument.empty() || argument.find_first_of(kReserved) != std::string::npos;
    for (char c : argument) {
        if (c == '%') {
            out += "%%";
        } else if (quote && (c == '"' || c == '`' || c == '$')) {
            out += "\\\\";  // \" in the Exec rules, its backslash escaped for the string value
            out += c;
        } else if (quote && c == '\\') {
            out += "\\\\\\\\";
        } else {
            out += c;
        }
    }
    return quote ? '"' + out + '"' : out;
}

std::string AutostartEntry(const std::string& command) {
    std::ostringstream entry;
    entry << "[Desktop Entry]\n"
          << "Type=Application\n"
          << "Name=Mouse Driver\n"
          << "Comment=Applies the mouse settings at login; the program waits in the tray\n"
          << "Exec=" << DesktopExecArgument(command) << " --tray\n"
          << "Icon=" << kDesktopFileId << "\n"
          << "Terminal=false\n"
          << "X-GNOME-Autostart-enabled=true\n";
    return entry.str();
}

bool AutostartEnabled(const std::filesystem::path& file) {
    std::vector<uint8_t> bytes;
    if (file.empty() || !ReadFileUpTo(file, 64 * 1024, bytes)) {
        return false;
    }
    std::istringstream lines(std::string(bytes.begin(), bytes.end()));
    for (std::string line; std::getline(lines, line);) {
        if (line == "Hidden=true") {
            return false;
        }
    }
    return true;
}

IoResult SetAutostart(const std::filesystem::path& file, bool on, const std::string& command) {
    if (file.empty()) {
        return IoResult::Failure("no home folder for the autostart entry");
    }
    if (on) {
        const std::string entry = AutostartEntry(command);
        return WriteFileAtomically(file, entry.data(), entry.size());
    }
    std::error_code ec;
    std::filesystem::remove(file, ec);
    if (ec) {
        return IoResult::Failure("cannot remove " + file.string() + ": " + ec.message());
    }
    return {};
}

}  // namespace mouse
