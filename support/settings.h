// Settings: key=value lines of "QUORBIT.INI", held by the line store.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quorbit {

inline constexpr const char* SETTINGS_FILE = "QUORBIT.INI";
inline constexpr size_t SETTING_LINE_SIZE = 256;  // a line formed by SetSettingText keeps 255 characters
inline constexpr int32_t SETTING_INT_BUFFER = 20;

// Copies at most size-1 bytes of text and always terminates; does nothing when size <= 0.
void CopyBounded(char* out, int32_t size, const char* text);

// A line belongs to key K when it starts with K (ASCII letters in either case) directly
// followed by "="; returns the value after that "=", or nullptr.
const char* SettingValue(const char* line, const char* key);

// The value of the first line for key, bounded into out; without such a line the default
// text (empty when defaultText is nullptr).
void GetSettingText(const char* key, char* out, int32_t size, const char* defaultText);

// A missing key gives defaultValue; a present one its leading decimal integer (0 when it
// has none), cut to 19 characters and held within the 32-bit range.
int32_t GetSettingInt(const char* key, int32_t defaultValue);

// Replaces the first line for key in place, or appends one, and saves; nothing is written
// when the line already reads the same (letters in either case). True when the file holds
// the line (synced). A file that cannot be written keeps the change in memory: the failure
// is recorded with NoteWriteFailure (support/write_failure.h), which halts a running
// computation before its next unit; a file the store may not rewrite (one holding NUL
// bytes, for instance, see DescribeHeldBack) is left as it is, silently.
bool SetSettingText(const char* key, const char* value);
bool SetSettingInt(const char* key, int32_t value);

// The leading integer of text as the settings read it: white space, an optional sign,
// decimal digits up to the first other character; held within the 32-bit range.
int32_t ParseLeadingInt(const char* text);

}  // namespace quorbit
