#include "store/file_names.h"

#include "device/records.h"

namespace mouse {

std::u16string SafeFileName(std::u16string_view name) {
    constexpr char16_t kReplacement = 0xFFFD;
    std::u16string safe;
    for (char16_t c : CleanText(name)) {
        if (c == kReplacement) {
            continue;
        }
        if (c == u'/' || c == u'\\') {
            c = u'_';
        }
        if (safe.empty() && (c == u'.' || c == u' ')) {
            continue;
        }
        safe.push_back(c);
    }
    while (!safe.empty() && safe.back() == u' ') {
        safe.pop_back();
    }
    return safe;
}

}  // namespace mouse
