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

struct IntCase {
    const char* fileLine;
    const char* key;
    int32_t defaultValue;
    int32_t expected;
};

TEST_F(SettingsTest, KeysMatchExactlyAndValuesReadAsLeadingIntegers) {
    const IntCase cases[] = {
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
        {"Free text without a key", "Free text without a key", 3, 3},
    };
    for (const IntCase& c : cases) {
        ResetLineTables();
        WriteFile("QUORBIT.INI", std::string("Other=1\r\n") + c.fileLine + "\r\n");
        EXPECT_EQ(GetSettingInt(c.key, c.defaultValue), c.expected) << c.fileLine;
    }
}

TEST_F(SettingsTest, TextIsCopiedBoundedWithDefaults) {
    WriteFile("QUORBIT.INI", "Name=abcdef\r\n");
    char out[8] = "zzzzzzz";
    GetSettingText("name", out, 4, nullptr);
    EXPECT_STREQ(out, "abc");
    GetSettingText("Name", out, 1, nullptr);
    EXPECT_STREQ(out, "");
    GetSettingText("Missing", out, sizeof out, "default-long");
    EXPECT_STREQ(out, "default");
    GetSettingText("Missing", out, sizeof out, nullptr);
    EXPECT_STREQ(out, "");
    out[0] = 'q';
    GetSettingText("Name", out, 0, nullptr);  // no room at all: untouched
    EXPECT_EQ(out[0], 'q');
}

TEST_F(SettingsTest, FirstOfTwoLinesIsReadAndReplacedInPlace) {
    WriteFile("QUORBIT.INI", "# notes\nPriority=2\n\nDisplayDepth=8\npriority=9\n");
    EXPECT_EQ(GetSettingInt("Priority", 1), 2);
    SetSettingInt("PRIORITY", 12345);
    EXPECT_EQ(ReadFile("QUORBIT.INI"), "# notes\r\nPRIORITY=12345\r\nDisplayDepth=8\r\npriority=9\r\n");
    SetSettingInt("Priority", 3);  // shorter: the line is written over
    SetSettingInt("TrayIcon", 0);  // new: appended last
    EXPECT_EQ(ReadFile("QUORBIT.INI"), "# notes\r\nPriority=3\r\nDisplayDepth=8\r\npriority=9\r\nTrayIcon=0\r\n");
    EXPECT_EQ(GetSettingInt("priority", 1), 3);
}

TEST_F(SettingsTest, SettingTheValueAlreadyThereWritesNothing) {
    WriteFile("QUORBIT.INI", "priority=5\nName=Abc\n");
    SetSettingInt("Priority", 5);    // differs only in the key's letter case
    SetSettingText("Name", "aBC");   // differs only in the value's letter case
    EXPECT_EQ(ReadFile("QUORBIT.INI"), "priority=5\nName=Abc\n");  // LF line ends: never rewritten
}

TEST_F(SettingsTest, MissingFileGivesDefaultsAndTheFirstSetCreatesIt) {
    EXPECT_EQ(GetSettingInt("DisplayFrequency", 30), 30);
    EXPECT_EQ(GetSettingInt("Left", -4), -4);
    EXPECT_EQ(ReadFile("QUORBIT.INI"), "<missing>");
    SetSettingInt("AutoInstall", 1);
    EXPECT_EQ(ReadFile("QUORBIT.INI"), "AutoInstall=1\r\n");
}

TEST_F(SettingsTest, FullSettingsFileRefusesANewKeyAndKeepsEveryLine) {
    std::string lines;
    for (int i = 0; i < MAX_TABLE_LINES; ++i) lines += "K" + std::to_string(i) + "=" + std::to_string(i) + "\r\n";
    WriteFile("QUORBIT.INI", lines);
    SetSettingInt("NewKey", 1);
    EXPECT_EQ(GetSettingInt("NewKey", 7), 7);
    EXPECT_EQ(ReadFile("QUORBIT.INI"), lines);
    SetSettingInt("K5", 55);  // an existing key still changes
    EXPECT_EQ(GetSettingInt("K5", 0), 55);
    EXPECT_NE(ReadFile("QUORBIT.INI").find("\r\nK5=55\r\nK6=6\r\n"), std::string::npos);
}

TEST_F(SettingsTest, OverlongSettingLineIsCutTo255Characters) {
    SetSettingText("Key", std::string(400, 'v').c_str());
    const std::string line = "Key=" + std::string(251, 'v');
    EXPECT_EQ(ReadFile("QUORBIT.INI"), line + "\r\n");
}

}  // namespace
}  // namespace quorbit
