// The fixture streams the tests read, in tests/data.
#pragma once

#include <string>

namespace korvane::testing {

inline std::string TestData(const std::string& name) { return std::string(KORVANE_TEST_DATA) + "/" + name; }

}  // namespace korvane::testing
