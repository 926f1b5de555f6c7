// Built without GIO: the running program cannot be reached, so the commands
// that need it refuse and the others read the stores.
#include "cli/program_client.h"

namespace mouse::cli {

namespace {

int NoBus(std::ostream& err) {
    err << "mousectl: built without D-Bus support: the running program cannot be reached\n";
    return kExitNotRunning;
}

}  // namespace

bool ProgramOnBus() {
    return false;
}

std::optional<LiveProfiles> LiveListProfiles(std::ostream& err, int* status) {
    *status = NoBus(err);
    return std::nullopt;
}

std::optional<LiveDpi> LiveGetDpi(std::ostream& err, int* status) {
    *status = NoBus(err);
    return std::nullopt;
}

std::optional<std::string> LiveStateText(bool, std::ostream& err, int* status) {
    *status = NoBus(err);
    return std::nullopt;
}

int LiveSwitchProfile(const std::string&, std::ostream&, std::ostream& err) {
    return NoBus(err);
}

int LiveDpiChange(const std::string&, int, std::ostream&, std::ostream& err) {
    return NoBus(err);
}

int LiveApply(std::ostream&, std::ostream& err) {
    return NoBus(err);
}

}  // namespace mouse::cli
