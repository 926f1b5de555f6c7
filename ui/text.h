// The program's text conversions between Qt and the core: QString and the
// UTF-16 strings the records hold, and control names numbered from a
// pattern.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace mouse {

inline QString ToQString(std::u16string_view text) {
    return QString::fromUtf16(text.data(), qsizetype(text.size()));
}

inline std::u16string ToU16(const QString& text) {
    return text.toStdU16String();
}

// pattern with its "%d" replaced by n: Numbered("button%d_btn", 3) is
// "button3_btn".
inline QString Numbered(const char* pattern, int n) {
    return QString::fromLatin1(pattern).replace(QStringLiteral("%d"), QString::number(n));
}

}  // namespace mouse
