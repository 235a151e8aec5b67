// The user's own folders as the XDG base directories name them, and making one on demand.
#pragma once

#include <cstddef>

namespace quorbit {

// $VARIABLE/leaf when the variable holds an absolute path, else $HOME/homeFallback/leaf;
// false when neither gives an absolute path or it does not fit. For example
// ("XDG_DATA_HOME", ".local/share", "quorbit") gives ~/.local/share/quorbit by default.
bool UserFolder(const char* variable, const char* homeFallback, const char* leaf, char* out, size_t size);

// Where a program keeps this user's data when it may not keep it beside itself:
// $XDG_DATA_HOME/program (by default ~/.local/share/program), the name in lower case as the
// XDG folders have them; %LOCALAPPDATA%\Program on Windows. False when the system names no
// such folder or it does not fit.
bool UserDataFolder(const char* program, char* out, size_t size);
// What would have named it, for the message when nothing does ("neither XDG_DATA_HOME nor
// HOME names a data directory").
const char* NoUserDataFolder();

// Creates the folder with its missing parents (the parents private to the user, the folder
// itself with the given mode); true when it exists as a folder afterwards. `created` (when
// given) tells whether the folder itself had to be made.
bool MakeFolder(const char* folder, unsigned mode, bool* created = nullptr);

}  // namespace quorbit
