// What the two source files of the macro page share.
#pragma once

#include <QString>

#include "ui/controls.h"
#include "ui/resource_manager.h"
#include "ui/text.h"
#include "ui/typed_number.h"

namespace mouse::macro_page {

inline QString Text(const QString& key) {
    return CResourceManager::GetInstance()->GetText(key);
}

// A number as typed: leading blanks, an optional sign and decimal digits,
// read up to the first other character; no digits reads as 0. Saturates far
// outside every range the page uses.
inline long long ReadDecimal(const QString& text) {
    return ReadTypedNumber(text, 10'000'000'000LL);
}

inline void SetText(CControlUI* control, const QString& text) {
    if (control != nullptr) {
        control->SetText(text);
    }
}

}  // namespace mouse::macro_page
