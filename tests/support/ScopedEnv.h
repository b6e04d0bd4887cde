// Sets (or, given nothing, removes) an environment variable for the life of
// the object, then puts back what was there before.
#pragma once

#include <optional>
#include <string>

namespace korvane::testing {

class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::optional<std::string>& value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string m_name;
    std::optional<std::string> m_old;
};

}  // namespace korvane::testing
