#include <gtest/gtest.h>

#include "authoring/TempDir.h"
#include "platform/ProfileReader.h"

namespace korvane::testing {
namespace {

TEST(ProfileReader, FindsTheFirstKeyOfASectionWithoutCaseTrimmedAndCut) {
    TempDir dir;
    const std::string path = dir.Write("site.txt", "; comment\n[General]\nName=General\n"
                                                   "[ info ]\r\n\tName\t=\t Front  Shop \t\r\nEmpty=\nno equals\n"
                                                   "Long=" + std::string(300, 'v') + "\nName=Second\n"
                                                   "[Next]\nName=Next\n[INFO]\nEmpty=later\n");
    const std::pair<std::array<std::string, 3>, std::string> cases[] = {
        {{"INFO", "NAME", "x"}, "Front  Shop"},  {{"general", "name", "x"}, "General"},
        {{"NEXT", "name", "x"}, "Next"},         {{"INFO", "Empty", "x"}, ""},
        {{"INFO", "Long", "x"}, std::string(259, 'v')}, {{"INFO", "Missing", "x"}, "x"},
        {{"Absent", "Name", "x"}, "x"}};
    for (const auto& [args, expected] : cases)
        EXPECT_EQ(GetProfileString(path, args[0], args[1], args[2]), expected) << args[0] << "/" << args[1];
    EXPECT_EQ(GetProfileString(dir.File("none.txt"), "INFO", "Name", "fallback"), "fallback");
}

}  // namespace
}  // namespace korvane::testing
