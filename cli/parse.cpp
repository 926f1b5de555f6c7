#include "cli/parse.h"

#include <algorithm>
#include <charconv>

#include "cli/command.h"

namespace mouse::cli {

namespace {

// The innermost command given: "press" of "sim press".
CLI::App* InnermostCommand(CLI::App& app) {
    CLI::App* command = &app;
    while (!command->get_subcommands().empty()) {
        command = command->get_subcommands().front();
    }
    return command;
}

// CLI11 says only "A subcommand is required"; this names the choices and
// what was given instead.
std::string MissingCommandText(CLI::App& app) {
    CLI::App* command = InnermostCommand(app);
    const auto choices = command->get_subcommands([](CLI::App*) { return true; });
    std::string text;
    for (size_t i = 0; i < choices.size(); ++i) {
        text += i == 0 ? "" : i + 1 == choices.size() ? " or " : ", ";
        text += choices[i]->get_name();
    }
    const std::vector<std::string> rest = app.remaining();
    const std::string given = rest.empty() ? "" : "unknown command '" + rest.front() + "'; ";
    return given + (command == &app ? "" : command->get_name() + " ") + "expects " + text;
}

}  // namespace

std::optional<int> ParseCommand(CLI::App& app, const std::vector<std::string>& args,
                                std::ostream& err) {
    // CLI11 takes the arguments last first.
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::RequiredError& error) {
        CLI::App* command = InnermostCommand(app);
        if (command->get_require_subcommand_min() > 0 && command->get_subcommands().empty()) {
            return UsageError(err, app.get_name(), MissingCommandText(app));
        }
        return UsageError(err, app.get_name(), error.what());
    } catch (const CLI::ParseError& error) {
        return UsageError(err, app.get_name(), error.what());
    }
    return std::nullopt;
}

int UsageError(std::ostream& err, const std::string& command, const std::string& message) {
    err << "mousectl " << command << ": " << message << "\n"
        << "try 'mousectl " << command << " --help'\n";
    return kExitUsage;
}

CLI::Validator Decimal() {
    return CLI::Validator(
        [](std::string& text) -> std::string {
            const size_t digits = !text.empty() && (text[0] == '+' || text[0] == '-') ? 1 : 0;
            if (digits == text.size() ||
                text.find_first_not_of("0123456789", digits) != std::string::npos) {
                return "'" + text + "' is not a decimal number";
            }
            // Without leading zeros the number cannot be taken for octal.
            const size_t first = std::min(text.find_first_not_of('0', digits), text.size() - 1);
            text = (text[0] == '-' ? "-" : "") + text.substr(first);
            if (text == "-0") {
                text = "0";
            }
            return {};
        },
        "DECIMAL");
}

CLI::Validator IntegerCheck(std::function<std::string(long long value)> problem) {
    return CLI::Validator(
        [problem = std::move(problem)](std::string& text) -> std::string {
            long long value = 0;
            const char* begin = text.data() + (text.rfind('+', 0) == 0 ? 1 : 0);
            const char* end = text.data() + text.size();
            const auto [ptr, ec] = std::from_chars(begin, end, value);
            if (ec == std::errc::result_out_of_range) {
                return text + " is out of range";
            }
            if (ec != std::errc() || ptr != end) {
                return "'" + text + "' is not a number";
            }
            return problem(value);
        },
        "");
}

std::filesystem::path OwnFolder() {
    std::error_code ec;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::current_path() : self.parent_path();
}

void AddIniOption(CLI::App& app, std::string& ini) {
    app.add_option("--ini", ini)
        ->check(CLI::Validator(
            [](const std::string& path) -> std::string {
                return std::filesystem::is_regular_file(path) ? "" : "cannot read " + path;
            },
            ""));
}

DeviceConfig LoadIni(const CLI::App& app, const std::string& ini) {
    return LoadDeviceConfig(app.count("--ini") != 0 ? ini : (OwnFolder() / "Data.ini").string());
}

}  // namespace mouse::cli
