// File names proposed from the names of profiles, macros and presets.
#pragma once

#include <string>
#include <string_view>

namespace mouse {

// name made safe as a single file name in the folder a dialog opens in: path
// separators become '_', unprintable characters are dropped, and leading
// dots and spaces are dropped so that the name is neither "." nor ".." nor
// hidden. Empty when nothing usable is left.
std::u16string SafeFileName(std::u16string_view name);

}  // namespace mouse
