#include "tests/test_support/test_platform.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>

// What test_platform.h does the same way on every system, on the systems' own calls
// (OpenFile and the rest in test_platform_posix.cpp and test_platform_windows.cpp).

namespace quorbit::testing {

namespace {

bool Put(const std::string& path, const std::string& bytes, const char* mode) {
    FILE* f = OpenFile(path, mode);
    const bool written = f != nullptr && std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if ((f != nullptr && std::fclose(f) != 0) || !written) {
        ADD_FAILURE() << "cannot write " << path << ": " << std::strerror(errno);
        return false;
    }
    return true;
}

}  // namespace

std::string ReadFile(const std::string& path, const std::string& ifMissing) {
    if (IsFolder(path)) return "";  // as reading a folder on POSIX gives nothing
    FILE* f = OpenFile(path, "rb");
    if (f == nullptr) return ifMissing;
    std::string bytes;
    char chunk[65536];
    for (size_t got; (got = std::fread(chunk, 1, sizeof chunk, f)) > 0;) bytes.append(chunk, got);
    std::fclose(f);
    return bytes;
}

bool WriteFile(const std::string& path, const std::string& bytes) { return Put(path, bytes, "wb"); }
bool AppendFile(const std::string& path, const std::string& bytes) { return Put(path, bytes, "ab"); }

ScratchFolder::~ScratchFolder() { RemoveTree(path_); }

Finished RunProcess(ProcessSpec spec) {
    std::optional<ScratchFolder> folder;
    if (spec.out.empty() || spec.err.empty()) folder.emplace("quorbit-run");
    if (spec.out.empty()) spec.out = *folder / "out";
    if (spec.err.empty()) spec.err = *folder / "err";
    Process process = StartProcess(spec);
    const int status = WaitForExit(process);
    return {status, ConsoleText(ReadFile(spec.out)), ConsoleText(ReadFile(spec.err))};
}

}  // namespace quorbit::testing
