#include "tests/support/ScopedEnv.h"

#include <cstdlib>

namespace korvane::testing {
namespace {

void Put(const std::string& name, const std::optional<std::string>& value) {
    if (value) {
        ::setenv(name.c_str(), value->c_str(), 1);
    } else {
        ::unsetenv(name.c_str());
    }
}

}  // namespace

ScopedEnv::ScopedEnv(const char* name, const std::optional<std::string>& value) : m_name(name) {
    if (const char* old = std::getenv(name)) m_old = old;
    Put(m_name, value);
}

ScopedEnv::~ScopedEnv() { Put(m_name, m_old); }

}  // namespace korvane::testing
