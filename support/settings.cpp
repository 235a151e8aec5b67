#include "support/settings.h"

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "support/line_table.h"
#include "support/write_failure.h"

namespace quorbit {

namespace {

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// The index of the first line of the settings table that belongs to key, or -1.
int32_t FindSettingLine(const LineTable& table, const char* key) {
    for (int32_t i = 0; i < table.lineCount; ++i)
        if (SettingValue(table.lines[i], key) != nullptr) return i;
    return -1;
}

}  // namespace

void CopyBounded(char* out, int32_t size, const char* text) {
    if (out == nullptr || size <= 0) return;
    size_t length = text == nullptr ? 0 : std::strlen(text);
    if (length > static_cast<size_t>(size) - 1) length = static_cast<size_t>(size) - 1;
    if (length > 0) std::memcpy(out, text, length);
    out[length] = '\0';
}

const char* SettingValue(const char* line, const char* key) {
    size_t i = 0;
    for (; key[i] != '\0'; ++i)
        if (line[i] == '\0' || LowerAscii(line[i]) != LowerAscii(key[i])) return nullptr;
    return line[i] == '=' ? line + i + 1 : nullptr;
}

void GetSettingText(const char* key, char* out, int32_t size, const char* defaultText) {
    const LineTable* table = GetLineTable(SETTINGS_FILE);
    const int32_t index = table == nullptr ? -1 : FindSettingLine(*table, key);
    if (index >= 0) {
        CopyBounded(out, size, SettingValue(table->lines[index], key));
        return;
    }
    CopyBounded(out, size, defaultText);
}

int32_t ParseLeadingInt(const char* text) {
    const char* c = text;
    while (*c == ' ' || (*c >= '\t' && *c <= '\r')) ++c;
    const bool negative = *c == '-';
    if (*c == '-' || *c == '+') ++c;
    // Held within range instead of overflowing: a huge "Left" reads as the largest value.
    int64_t magnitude = 0;
    for (; *c >= '0' && *c <= '9'; ++c) {
        magnitude = magnitude * 10 + (*c - '0');
        if (magnitude > INT64_C(1) << 32) magnitude = INT64_C(1) << 32;
    }
    const int64_t value = negative ? -magnitude : magnitude;
    if (value > INT32_MAX) return INT32_MAX;
    if (value < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(value);
}

int32_t GetSettingInt(const char* key, int32_t defaultValue) {
    char defaultText[SETTING_INT_BUFFER];
    std::snprintf(defaultText, sizeof defaultText, "%" PRId32, defaultValue);
    char text[SETTING_INT_BUFFER];
    GetSettingText(key, text, SETTING_INT_BUFFER, defaultText);
    return ParseLeadingInt(text);
}

bool SetSettingText(const char* key, const char* value) {
    char line[SETTING_LINE_SIZE];
    std::snprintf(line, sizeof line, "%s=%s", key, value);
    LineTable* table = GetLineTable(SETTINGS_FILE);
    if (table == nullptr) return false;
    const int32_t index = FindSettingLine(*table, key);
    if (index >= 0) {
        if (EqualIgnoringCase(table->lines[index], line)) return true;
        const size_t length = std::strlen(line);
        if (std::strlen(table->lines[index]) >= length) {
            std::memcpy(table->lines[index], line, length + 1);
        } else {
            char* copy = static_cast<char*>(std::malloc(length + 1));
            if (copy == nullptr) return false;
            std::memcpy(copy, line, length + 1);
            std::free(table->lines[index]);
            table->lines[index] = copy;
        }
    } else if (!AppendTableLine(*table, line)) {
        // A full settings file takes no new key rather than losing a line to make room.
        return false;
    }
    if (SaveLineTable(*table)) return true;
    // A file the store may not rewrite (errno 0) keeps the change in memory, silently.
    if (errno != 0) NoteWriteFailure(SETTINGS_FILE, errno);
    return false;
}

bool SetSettingInt(const char* key, int32_t value) {
    char text[SETTING_INT_BUFFER];
    std::snprintf(text, sizeof text, "%" PRId32, value);
    return SetSettingText(key, text);
}

}  // namespace quorbit
