// JSON text for mousectl's output. Names and paths come from files and the
// environment and need not be UTF-8: such bytes are written as U+FFFD
// instead of ending the program with an exception.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

namespace mouse::cli {

inline std::string JsonText(const nlohmann::json& value, int indent = -1) {
    return value.dump(indent, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace mouse::cli
