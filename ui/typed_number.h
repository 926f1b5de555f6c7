// Reading a number the way a user types it into an edit field.
#pragma once

#include <QString>
#include <algorithm>

namespace mouse {

// Leading blanks, an optional sign and decimal digits, read up to the first
// other character; no digits reads as 0. The magnitude stops growing at cap,
// so a long run of digits cannot overflow; callers pick a cap beyond every
// value they accept and clamp the result to their own range.
inline long long ReadTypedNumber(const QString& text, long long cap) {
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text[i].isSpace()) {
        ++i;
    }
    bool negative = false;
    if (i < n && (text[i] == u'-' || text[i] == u'+')) {
        negative = text[i] == u'-';
        ++i;
    }
    long long value = 0;
    for (; i < n && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        value = std::min(value * 10 + (text[i].unicode() - u'0'), cap);
    }
    return negative ? -value : value;
}

}  // namespace mouse
