// Diagnostic lines for developers and support (stderr); no log file, no level.
#pragma once

#include <string_view>

namespace mouse {

void DebugOutput(std::string_view line);
// printf-style formatting of one diagnostic line.
void DebugPrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace mouse
