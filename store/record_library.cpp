#include "store/record_library.h"

#include <algorithm>

namespace mouse {

std::u16string FileTitleOf(const std::filesystem::path& path) {
    // A file name may hold any byte but '/' and NUL, newlines included.
    return CleanText(FromUtf8(path.stem().string()));
}

bool TerminateText(TextField& field) {
    if (std::find(field, field + kTextChars, char16_t(0)) != field + kTextChars) {
        return false;
    }
    // WriteText cuts at 49 characters (never inside a surrogate pair) and
    // zeroes the rest; it may be given the field's own characters.
    WriteText(field, std::u16string_view(field, kTextChars));
    return true;
}

}  // namespace mouse
