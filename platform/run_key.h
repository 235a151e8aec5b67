// The current user's Run key, HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Run:
// Windows starts the command line of each of its values at the user's logon. Names and data
// are UTF-8. Windows only.
#pragma once

namespace quorbit {

enum class RunKeyResult {
    Done,
    KeyNotOpened,     // the key exists but cannot be opened (no rights)
    KeyNotCreated,    // the key could not be made
    ValueNotWritten,  // the value could not be written or removed
};

// 1 when the key holds a value of this name, 0 when it does not (or the key does not exist
// yet), -1 when the key cannot be read.
int RunValuePresent(const char* name);

// Writes the value as a string (REG_SZ), making the key when it is missing.
RunKeyResult WriteRunValue(const char* name, const char* data);

// Removes the value.
RunKeyResult DeleteRunValue(const char* name);

}  // namespace quorbit
