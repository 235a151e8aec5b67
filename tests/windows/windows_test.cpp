// Windows's own interfaces, as the console program uses them: the console's Ctrl+Break
// halts a run as a stop does, and the pipe other commands reach a run through is open to
// this user alone.
#include <gtest/gtest.h>

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "instance/instance_channel.h"
#include "instance/instance_key.h"
#include "instance/instance_lock.h"
#include "platform/console_events_windows.h"
#include "platform/folders.h"
#include "platform/halt_signals.h"
#include "platform/local_channel.h"
#include "tests/cli/cli_run.h"

namespace {

using namespace quorbit::testing;

std::string SidText(PSID sid) {
    wchar_t* text = nullptr;
    if (sid == nullptr || !::ConvertSidToStringSidW(sid, &text)) return "<none>";
    char narrow[256];
    ::WideCharToMultiByte(CP_UTF8, 0, text, -1, narrow, sizeof narrow, nullptr, nullptr);
    ::LocalFree(text);
    return narrow;
}

std::string ThisUser() {
    HANDLE token = nullptr;
    alignas(8) unsigned char buffer[256];
    DWORD length = 0;
    EXPECT_TRUE(::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token));
    EXPECT_TRUE(::GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &length));
    ::CloseHandle(token);
    return SidText(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid);
}

quorbit::LocalRequestFrame FrameLine(const char* bytes, size_t length, char* line, int32_t&, char*, size_t) {
    const void* end = std::memchr(bytes, '\n', length);
    if (end == nullptr) return quorbit::LocalRequestFrame::Incomplete;
    const size_t size = static_cast<size_t>(static_cast<const char*>(end) - bytes);
    std::memcpy(line, bytes, size);
    line[size] = '\0';
    return quorbit::LocalRequestFrame::Whole;
}

int32_t Echo(const char* line, char* reply, size_t size, void*) {
    std::snprintf(reply, size, "heard %s", line);
    return 7;
}

// The pipe's owner and access list, as any process can read them: this user, and an entry
// that lets this user in and no one else (no Everyone, no Administrators, no SYSTEM).
TEST(WindowsChannel, ThePipeIsThisUsersAlone) {
    const std::string name = "\\\\.\\pipe\\quorbit-test-" + std::to_string(::GetCurrentProcessId());
    char error[256];
    ASSERT_TRUE(quorbit::StartLocalChannelServer(name.c_str(), {&FrameLine, &Echo, nullptr}, error, sizeof error)) << error;
    int32_t status = 0;
    char reply[64];
    ASSERT_TRUE(quorbit::SendOnLocalChannel(name.c_str(), "hello", 2000, 2000, status, reply, sizeof reply));
    EXPECT_EQ(status, 7);
    EXPECT_STREQ(reply, "heard hello");
    EXPECT_EQ(quorbit::LocalChannelServerProcess(name.c_str()), static_cast<long>(::GetCurrentProcessId()));

    // The server makes its next instance of the pipe after it has answered: until one
    // listens, the name is not there or busy.
    HANDLE pipe = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 500 && pipe == INVALID_HANDLE_VALUE; ++attempt) {
        if (!::WaitNamedPipeA(name.c_str(), 2000)) ::Sleep(10);
        pipe = ::CreateFileA(name.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    }
    ASSERT_NE(pipe, INVALID_HANDLE_VALUE) << ::GetLastError();
    PSID owner = nullptr;
    PACL access = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_EQ(::GetSecurityInfo(pipe, SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner,
                                nullptr, &access, nullptr, &descriptor),
              static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(SidText(owner), ThisUser());
    ASSERT_NE(access, nullptr) << "no access list: open to everyone";
    std::string entries;
    for (DWORD i = 0; i < access->AceCount; ++i) {
        void* entry = nullptr;
        ASSERT_TRUE(::GetAce(access, i, &entry));
        const auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(entry);
        entries += std::to_string(allowed->Header.AceType) + ":" + SidText(reinterpret_cast<PSID>(const_cast<DWORD*>(&allowed->SidStart))) + " ";
    }
    EXPECT_EQ(entries, "0:" + ThisUser() + " ");  // one entry, ACCESS_ALLOWED_ACE_TYPE for this user
    ::LocalFree(descriptor);
    ::CloseHandle(pipe);
    quorbit::StopLocalChannelServer();
}

std::atomic<int> halts{0};
void CountHalt() { halts.fetch_add(1); }

// The console's events as the programs take them: each halts once, named and numbered as the
// POSIX signal it stands for (the exit status is 128 + that number, as on Linux). A search
// catches them; a run waits for them on its own thread.
TEST(WindowsConsole, EventsHaltAsTheirPosixSignalsDo) {
    quorbit::CatchHaltSignals(&CountHalt);
    EXPECT_EQ(quorbit::CaughtHaltSignal(), 0);
    EXPECT_TRUE(quorbit::OnConsoleEvent(CTRL_BREAK_EVENT));
    EXPECT_EQ(halts.load(), 1);
    EXPECT_EQ(quorbit::CaughtHaltSignal(), 3);
    EXPECT_STREQ(quorbit::HaltSignalName(3), "Ctrl+Break");
    EXPECT_TRUE(quorbit::OnConsoleEvent(CTRL_C_EVENT));  // a second halt changes the first's number
    EXPECT_EQ(halts.load(), 2);
    EXPECT_EQ(quorbit::CaughtHaltSignal(), 3);

    quorbit::BlockHaltSignals();
    EXPECT_EQ(quorbit::WaitForHaltSignal(10), 0);
    EXPECT_TRUE(quorbit::OnConsoleEvent(CTRL_C_EVENT));
    EXPECT_EQ(quorbit::WaitForHaltSignal(1000), 2);
    EXPECT_STREQ(quorbit::HaltSignalName(2), "Ctrl+C");
    EXPECT_EQ(halts.load(), 2) << "a run waits for its halts: none is called in the handler";
    EXPECT_FALSE(quorbit::OnConsoleEvent(99)) << "an event that is no halt is left to the next handler";
}

// Ctrl+Break in a run's console halts it as Stop does: the unit stays queued, the run says
// what halted it, and ends with the status of a POSIX halt by Ctrl+\ (128 + 3). Wine
// without a console delivers no event: the test says so and leaves it to Windows.
TEST(WindowsConsole, CtrlBreakHaltsARunAsAStopDoes) {
    const ScratchFolder scratch("quorbit-console");
    const std::string work = scratch / "work";
    ASSERT_TRUE(MakeFolder(work));
    WriteFile(work + "/WORKTOUR.INI", "0\r\n");
    WriteFile(work + "/QUORBIT.INI", "Priority=10\r\nAutoInstall=1\r\n");
    Process run = StartProcess({{QUORBIT_CLI_PATH, "run", "-w", work}, {"QUORBIT_UNIT_NODE_LIMIT=100000000000"}, "",
                                scratch / "out", scratch / "err"});
    // Until it answers as its folder's instance.
    const std::string here = CurrentFolder();
    char entered[4096] = {};
    ASSERT_TRUE(EnterFolder(work) && quorbit::CurrentDirectory(entered, sizeof entered) && EnterFolder(here));
    char name[quorbit::INSTANCE_NAME_SIZE], error[320], reply[quorbit::INSTANCE_REPLY_MAX];
    quorbit::FormatInstanceName(quorbit::InstanceKey(entered), name, sizeof name);
    quorbit::InstancePaths paths;
    ASSERT_TRUE(quorbit::FindInstancePaths(name, entered, paths, error, sizeof error));
    while (!HasEnded(run) && quorbit::SendInstanceRequest(paths.socketPath, "status", reply, sizeof reply, 100, 2000) !=
                                 quorbit::REPLY_DONE)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_FALSE(HasEnded(run));

    ::FreeConsole();
    if (!::AttachConsole(static_cast<DWORD>(run.id)) ||
        !::GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, static_cast<DWORD>(run.id))) {
        KillProcess(run);
        WaitForExit(run);
        GTEST_SKIP() << "this system delivers no console event (Wine without a console)";
    }
    ::FreeConsole();
    EXPECT_EQ(WaitForExit(run), 131);
    EXPECT_NE(ConsoleText(ReadFile(scratch / "out")).find("Execution halted.\n"), std::string::npos);
    EXPECT_NE(ReadFile(scratch / "err").find("halted by Ctrl+Break; the unit being computed stays queued"), std::string::npos)
        << ReadFile(scratch / "err");
    EXPECT_EQ(ReadFile(work + "/WORKTOUR.INI"), "0\r\n");
}

}  // namespace
