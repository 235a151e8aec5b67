// Starting the program at every logon, one entry per executable path and working directory
// (the current directory when the entry is looked at or written), which starts that
// executable in that directory, so that each folder's queue is resumed where it is. Written
// at the first run and by the Install commands, removed by Uninstall, each change said on
// the console. On Linux the entry is an XDG autostart entry (a desktop entry file in
// $XDG_CONFIG_HOME/autostart, by default ~/.config/autostart; autostart_xdg.cpp); on Windows
// a value of the current user's Run key (autostart_registry.cpp).
#pragma once

#include <cstddef>
#include <cstdint>

namespace quorbit {

inline constexpr int32_t AUTOSTART_REMOVE = 0;   // Uninstall
inline constexpr int32_t AUTOSTART_NORMAL = 1;   // Normal Install
inline constexpr int32_t AUTOSTART_SERVICE = 2;  // Service Install: the same entry as Normal Install

// 0 no entry for this executable and directory, 1 an entry present; set by QueryAutostart and tracked by
// InstallAutostart. Used on the desktop thread only.
extern int32_t autostartState;

// $XDG_CONFIG_HOME/autostart when XDG_CONFIG_HOME is an absolute path, else
// $HOME/.config/autostart; false when neither gives one.
bool AutostartFolder(char* out, size_t size);

// The entry's file for an executable in the current directory: the folder, then "quorbit-",
// a 64-bit hash of the executable's path and the directory in hexadecimal and ".desktop",
// so that each executable and each directory have an entry of their own. False when the
// current directory cannot be named.
bool AutostartEntryPath(const char* executablePath, char* out, size_t size);

// The path as the Exec value of a desktop entry: in double quotes, with '"', '`', '$' and
// '\' escaped by a backslash, then every '\' doubled and line ends, tabs and CRs written as
// \n, \t and \r (the string escapes of the format), and '%' doubled. False when it does
// not fit.
bool FormatExecValue(const char* path, char* out, size_t size);

// The whole entry file for the executable working in the directory.
bool FormatAutostartEntry(const char* executablePath, const char* directory, char* out, size_t size);

// The Run key's value for the executable working in the directory. The name is the
// executable's full path, followed by " /W " and the directory when that is not the
// executable's own folder (letter case and a final backslash aside); the data is the path in
// double quotes, followed in that case by /W and the directory in double quotes, a final
// backslash doubled so that it does not escape the closing quote. False when either does
// not fit.
bool FormatRunValue(const char* executablePath, const char* directory, char* name, size_t nameSize, char* data,
                    size_t dataSize);

// The two lines said when the entry has been written, and the two when it has been removed.
void SayAutostartInstalled();
void SayAutostartRemoved();

// Sets autostartState from the presence of the entry for the executable in the current
// directory; leaves it unchanged
// when there is no autostart folder to look in.
void QueryAutostart(const char* executablePath);

// mode 0 removes the entry when it exists; 1 and 2 write it when it does not. Prints what
// it did (or "Can't create autostart folder.\n" / "Can't write autostart entry.\n", on
// Windows "Can't create registry key.\n" / "Can't write registry value.\n") on the
// console; with no autostart folder (no Run key that can be read) to use it does nothing
// and prints nothing.
void InstallAutostart(int32_t mode, const char* executablePath);

}  // namespace quorbit
