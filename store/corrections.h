// The fields a check set back to a valid value, as one line for the user.
//
// Checks name each corrected field ("dpiValue[3]", "buttons[5].gunData",
// "Jump.loopCount"); a profile from random bytes names a hundred of them. The
// line groups names that differ only in their first index,
// "dpiValue[0, 3], buttons[5].gunData", in the order the fields were met, and
// stops after `most` groups with the number of groups left out.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace mouse {

inline std::string JoinCorrections(const std::vector<std::string>& fields, size_t most = 12) {
    struct Group {
        std::string before, after;  // around the first index
        std::vector<std::string> indices;
    };
    std::vector<Group> groups;
    for (const std::string& field : fields) {
        Group g;
        std::string index;
        const size_t open = field.find('[');
        const size_t close = open == std::string::npos ? open : field.find(']', open);
        if (close != std::string::npos && close > open + 1) {
            g.before = field.substr(0, open);
            index = field.substr(open + 1, close - open - 1);
            g.after = field.substr(close + 1);
        } else {
            g.before = field;
        }
        auto same = [&](const Group& o) {
            return o.before == g.before && o.after == g.after && o.indices.empty() == index.empty();
        };
        Group* found = nullptr;
        for (Group& o : groups) {
            if (same(o)) {
                found = &o;
                break;
            }
        }
        if (found == nullptr) {
            groups.push_back(std::move(g));
            found = &groups.back();
        }
        if (!index.empty()) {
            found->indices.push_back(std::move(index));
        }
    }
    std::string line;
    for (size_t i = 0; i < groups.size() && i < most; ++i) {
        const Group& g = groups[i];
        if (!line.empty()) {
            line += ", ";
        }
        line += g.before;
        if (!g.indices.empty()) {
            line += '[';
            for (size_t k = 0; k < g.indices.size(); ++k) {
                line += (k == 0 ? "" : ", ") + g.indices[k];
            }
            line += ']';
        }
        line += g.after;
    }
    if (groups.size() > most) {
        line += ", ... (" + std::to_string(groups.size() - most) + " more)";
    }
    return line;
}

}  // namespace mouse
