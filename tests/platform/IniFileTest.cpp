#include <gtest/gtest.h>

#include <array>

#include "authoring/TempDir.h"
#include "platform/IniFile.h"

namespace korvane::testing {
namespace {

// A recorder's mp4info.txt as such files come: names in any case, blanks
// around them, Windows line ends, values with commas.
TEST(IniFile, FindsSectionsAndKeysWithoutRegardToCase) {
    TempDir dir;
    const std::string path = dir.Write("site.txt", "; comment\n[General]\nName=General\n"
                                                   "[ info ]\r\n\tName\t=\t Front  Shop \t\r\nEmpty=\nno equals\n"
                                                   "Where=Harbor Street, Market\r\n"
                                                   "[Next]\nName=Next\n");
    const std::pair<std::array<std::string, 2>, std::string> cases[] = {
        {{"INFO", "NAME"}, "Front  Shop"}, {{"general", "name"}, "General"}, {{"NEXT", "name"}, "Next"},
        {{"Info", "where"}, "Harbor Street, Market"}, {{"INFO", "Empty"}, ""}, {{"INFO", "Missing"}, ""},
        {{"Absent", "Name"}, ""}};
    for (const auto& [args, expected] : cases)
        EXPECT_EQ(IniValue(path, args[0], args[1]), expected) << args[0] << "/" << args[1];
    EXPECT_EQ(IniFile(QString::fromStdString(path)).Value(QStringLiteral("INFO"), QStringLiteral("Missing"), QStringLiteral("x")),
              QStringLiteral("x"));
    EXPECT_EQ(IniValue(dir.File("none.txt"), "INFO", "Name"), "");
}

}  // namespace
}  // namespace korvane::testing
