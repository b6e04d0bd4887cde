#include <gtest/gtest.h>

#include "platform/ProfileReader.h"
#include "authoring/TempDir.h"

namespace korvane::testing {
namespace {

TEST(ProfileReader, MatchesSectionAndKeyWithoutCaseAndTrimsTheValue) {
    TempDir dir;
    const std::string path = dir.Write("site.txt",
                                       "; comment\n[General]\nName=General\n"
                                       "[ info ]\r\n\tName\t=\t Front  Shop \t\r\nEmpty=\nno equals\n"
                                       "[Next]\nName=Next\n");
    EXPECT_EQ(GetProfileString(path, "INFO", "NAME"), "Front  Shop");
    EXPECT_EQ(GetProfileString(path, "general", "name"), "General");
    EXPECT_EQ(GetProfileString(path, "NEXT", "name"), "Next");
    EXPECT_EQ(GetProfileString(path, "INFO", "Empty", "x"), "");
    EXPECT_EQ(GetProfileString(path, "INFO", "Missing", "fallback"), "fallback");
    EXPECT_EQ(GetProfileString(path, "Absent", "Name", "fallback"), "fallback");
    EXPECT_EQ(GetProfileString(dir.File("none.txt"), "INFO", "Name", "fallback"), "fallback");
}

TEST(ProfileReader, CutsValuesTo259Characters) {
    TempDir dir;
    const std::string longValue(300, 'v');
    const std::string path = dir.Write("site.txt", "[INFO]\nLONG=" + longValue + "\nEXACT=" +
                                                       std::string(259, 'e') + "\n");
    EXPECT_EQ(GetProfileString(path, "INFO", "LONG"), std::string(259, 'v'));
    EXPECT_EQ(GetProfileString(path, "INFO", "EXACT"), std::string(259, 'e'));
}

TEST(ProfileReader, FirstOccurrenceOfAKeyWins) {
    TempDir dir;
    const std::string path = dir.Write("site.txt", "[INFO]\nA=1\nA=2\n[INFO]\nA=3\n");
    EXPECT_EQ(GetProfileString(path, "INFO", "A"), "1");
}

}  // namespace
}  // namespace korvane::testing
