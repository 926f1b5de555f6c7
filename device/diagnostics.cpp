#include "device/diagnostics.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <mutex>

namespace mouse {

namespace {
std::mutex& OutputMutex() {
    static std::mutex m;
    return m;
}
}  // namespace

void DebugOutput(std::string_view line) {
    std::lock_guard lock(OutputMutex());
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

void DebugPrintf(const char* format, ...) {
    char buffer[512];
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (n < 0) {
        return;
    }
    DebugOutput(std::string_view(buffer, std::min(size_t(n), sizeof buffer - 1)));
}

}  // namespace mouse
