// Template definitions of stores.h.
#pragma once

#include <cstring>
#include <limits>
#include <string>

namespace mouse {

namespace detail {

// The first max characters of text, one fewer when the cut would split a
// surrogate pair.
inline std::u16string CutText(std::u16string_view text, size_t max) {
    size_t n = text.size() < max ? text.size() : max;
    if (n < text.size() && n > 0 && text[n - 1] >= 0xD800 && text[n - 1] <= 0xDBFF &&
        text[n] >= 0xDC00 && text[n] <= 0xDFFF) {
        --n;
    }
    return std::u16string(text.substr(0, n));
}

}  // namespace detail

template <typename T>
std::vector<std::unique_ptr<T>> SplitRecords(const std::vector<uint8_t>& bytes, size_t* trailing) {
    static_assert(kIsFileRecord<T>, "only file records can be split from bytes");
    const size_t count = bytes.size() / sizeof(T);
    std::vector<std::unique_ptr<T>> records;
    records.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        auto record = std::make_unique_for_overwrite<T>();
        std::memcpy(record.get(), bytes.data() + i * sizeof(T), sizeof(T));
        records.push_back(std::move(record));
    }
    if (trailing) {
        *trailing = bytes.size() % sizeof(T);
    }
    return records;
}

namespace detail {

// Candidate n of UniqueName: base cut to 49 characters for n == 0, else base
// cut to leave room for "_n" and the suffix appended.
inline std::u16string NameCandidate(std::u16string_view base, int n) {
    constexpr size_t kMax = size_t(kTextChars - 1);
    if (n == 0) {
        return CutText(base, kMax);
    }
    const std::string digits = std::to_string(n);
    std::u16string suffix = u"_";
    suffix.append(digits.begin(), digits.end());
    std::u16string candidate = CutText(base, kMax - suffix.size());
    candidate += suffix;
    return candidate;
}

}  // namespace detail

// The candidates are formed as they will be stored (at most 49 characters),
// so a cut name is checked for collisions too.
template <typename Taken>
std::u16string UniqueName(std::u16string_view base, Taken&& taken) {
    std::u16string candidate = detail::NameCandidate(base, 0);
    for (int n = 1; taken(candidate) && n < std::numeric_limits<int>::max(); ++n) {
        candidate = detail::NameCandidate(base, n);
    }
    return candidate;
}

}  // namespace mouse
