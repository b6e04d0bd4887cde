// Sets (or, given nothing, removes) an environment variable for the life of
// the object, then puts back what was there before.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>

namespace korvane::testing {

class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::optional<std::string>& value) : m_name(name) {
        if (const char* old = std::getenv(name)) m_old = old;
        Put(value);
    }
    ~ScopedEnv() { Put(m_old); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    void Put(const std::optional<std::string>& value) const {
        if (value) ::setenv(m_name.c_str(), value->c_str(), 1);
        else ::unsetenv(m_name.c_str());
    }
    std::string m_name;
    std::optional<std::string> m_old;
};

}  // namespace korvane::testing
