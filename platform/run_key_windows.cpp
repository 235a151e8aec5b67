#include "platform/run_key.h"

#include <string>

#include "platform/windows_text.h"

namespace quorbit {

namespace {

const wchar_t* const RUN_KEY = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// The key opened for the access asked, or the error that kept it closed.
LSTATUS OpenRunKey(REGSAM access, HKEY* key) { return RegOpenKeyExW(HKEY_CURRENT_USER, RUN_KEY, 0, access, key); }

}  // namespace

int RunValuePresent(const char* name) {
    HKEY key;
    const LSTATUS opened = OpenRunKey(KEY_QUERY_VALUE, &key);
    if (opened == ERROR_FILE_NOT_FOUND) return 0;
    if (opened != ERROR_SUCCESS) return -1;
    const std::wstring wide = Widen(name);
    const LSTATUS found = RegQueryValueExW(key, wide.c_str(), nullptr, nullptr, nullptr, nullptr);
    RegCloseKey(key);
    return found == ERROR_SUCCESS ? 1 : 0;
}

RunKeyResult WriteRunValue(const char* name, const char* data) {
    HKEY key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, RUN_KEY, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return RunKeyResult::KeyNotCreated;
    const std::wstring wideName = Widen(name);
    const std::wstring wideData = Widen(data);
    // The string's size in bytes includes its terminator.
    const LSTATUS written =
        RegSetValueExW(key, wideName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(wideData.c_str()),
                       static_cast<DWORD>((wideData.size() + 1) * sizeof(wchar_t)));
    const LSTATUS closed = RegCloseKey(key);
    return written == ERROR_SUCCESS && closed == ERROR_SUCCESS ? RunKeyResult::Done : RunKeyResult::ValueNotWritten;
}

RunKeyResult DeleteRunValue(const char* name) {
    HKEY key;
    if (OpenRunKey(KEY_SET_VALUE, &key) != ERROR_SUCCESS) return RunKeyResult::KeyNotOpened;
    const std::wstring wide = Widen(name);
    const LSTATUS deleted = RegDeleteValueW(key, wide.c_str());
    RegCloseKey(key);
    return deleted == ERROR_SUCCESS ? RunKeyResult::Done : RunKeyResult::ValueNotWritten;
}

}  // namespace quorbit
