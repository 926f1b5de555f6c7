// Looking up the entry points of a library loaded with dlopen: every name is
// tried, so one message can list all that are missing.
#pragma once

#include <dlfcn.h>

#include <string>

namespace mouse {

// Sets out to the entry point `name` of handle; when there is none, out is
// null, the name is appended to missing (", " between names) and the result
// is false.
template <typename Fn>
bool LookupSymbol(void* handle, const char* name, Fn& out, std::string& missing) {
    out = reinterpret_cast<Fn>(dlsym(handle, name));
    if (out == nullptr) {
        if (!missing.empty()) {
            missing += ", ";
        }
        missing += name;
        return false;
    }
    return true;
}

}  // namespace mouse
