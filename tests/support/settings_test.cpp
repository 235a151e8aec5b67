// Settings: key=value lines of "QUORBIT.INI".
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "support/line_table.h"
#include "support/settings.h"
#include "tests/support/work_dir.h"

namespace quorbit {
namespace {

using testing::ReadFile;
using testing::WriteFile;

class SettingsTest : public testing::WorkDirTest {};

TEST_F(SettingsTest, KeysMatchExactlyAndValuesReadAsLeadingIntegers) {
    const struct {
        const char* fileLine;
        const char* key;
        int32_t defaultValue;
        int32_t expected;
    } cases[] = {
        {"priority=5", "Priority", 1, 5},
        {"Priority = 5", "Priority", 1, 1},  // blanks around the key: another key
        {"TopX=1", "Top", 9, 9},
        {"Priority=", "Priority", 1, 0},
        {"Priority=7abc", "Priority", 1, 7},
        {"Left=-12", "Left", 0, -12},
        {"Left= \t+42", "Left", 0, 42},
        {"Left=99999999999", "Left", 0, INT32_MAX},
        {"Left=-99999999999", "Left", 0, INT32_MIN},
        {"Left=00000000000000000007", "Left", 0, 0},  // cut to 19 characters: all zeros
    };
    for (const auto& c : cases) {
        ResetLineTables();
        WriteFile("QUORBIT.INI", std::string("Other=1\r\n") + c.fileLine + "\r\n");
        EXPECT_EQ(GetSettingInt(c.key, c.defaultValue), c.expected) << c.fileLine;
    }
    char out[8] = "zzzzzzz";
    GetSettingText("left", out, 4, nullptr);  // the copy is bounded
    EXPECT_STREQ(out, "000");
    GetSettingText("Missing", out, sizeof out, "default-long");
    EXPECT_STREQ(out, "default");
    GetSettingText("Missing", out, sizeof out, nullptr);
    EXPECT_STREQ(out, "");
}

TEST_F(SettingsTest, TheFirstOfTwoLinesIsReadAndReplacedInPlaceAndAnEqualValueWritesNothing) {
    EXPECT_EQ(GetSettingInt("Priority", -4), -4);  // no file: the defaults
    EXPECT_EQ(ReadFile("QUORBIT.INI"), "<missing>");
    WriteFile("QUORBIT.INI", "# notes\nPriority=2\n\nName=Abc\npriority=9\n");
    ResetLineTables();
    SetSettingInt("priority", 2);   // the same value: nothing written
    SetSettingText("NAME", "aBC");  // differs only in letter case: nothing written
    EXPECT_EQ(ReadFile("QUORBIT.INI"), "# notes\nPriority=2\n\nName=Abc\npriority=9\n");
    SetSettingInt("PRIORITY", 12345);
    SetSettingInt("Priority", 3);  // shorter: the line is written over
    SetSettingInt("TrayIcon", 0);  // new: appended last
    EXPECT_EQ(ReadFile("QUORBIT.INI"), "# notes\r\nPriority=3\r\nName=Abc\r\npriority=9\r\nTrayIcon=0\r\n");
    SetSettingText("Key", std::string(400, 'v').c_str());  // the line is cut to 255 characters
    const std::string file = ReadFile("QUORBIT.INI");
    EXPECT_EQ(file.substr(file.find("Key=")), "Key=" + std::string(251, 'v') + "\r\n");
}

TEST_F(SettingsTest, AFullSettingsFileRefusesANewKeyAndKeepsEveryLine) {
    std::string lines;
    for (int i = 0; i < MAX_TABLE_LINES; ++i) lines += "K" + std::to_string(i) + "=" + std::to_string(i) + "\r\n";
    WriteFile("QUORBIT.INI", lines);
    SetSettingInt("NewKey", 1);
    EXPECT_EQ(GetSettingInt("NewKey", 7), 7);
    EXPECT_EQ(ReadFile("QUORBIT.INI"), lines);
    SetSettingInt("K5", 55);  // an existing key still changes
    EXPECT_NE(ReadFile("QUORBIT.INI").find("\r\nK5=55\r\nK6=6\r\n"), std::string::npos);
}

}  // namespace
}  // namespace quorbit
