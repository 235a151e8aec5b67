// Points where the tests' build of the program kills itself, so that a test can end a real
// run exactly there: right after the N-th checkpoint record is appended
// (QUORBIT_TEST_KILL_AT_RECORD=N) or right after the N-th result line of task mode is
// written (QUORBIT_TEST_KILL_AT_LINE=N); or halts a unit in task mode before its search
// begins (QUORBIT_TEST_HALT_BEFORE_SEARCH=1), as a signal at that moment does. Compiled in only where QUORBIT_TEST_KILL_POINTS is
// defined (tests/cli's quorbit-all-tours-cli); the program itself reads no such variable.
#pragma once

#ifdef QUORBIT_TEST_KILL_POINTS
#include <atomic>
#include <cstdlib>
#endif

#ifdef QUORBIT_TEST_KILL_POINTS
#include "platform/process.h"
#endif

namespace quorbit {

#ifdef QUORBIT_TEST_KILL_POINTS
inline void PassKillPoint(const char* variable, std::atomic<long>& left) {
    long now = left.load();
    if (now == 0) {  // not read yet
        const char* value = std::getenv(variable);
        const long wanted = value != nullptr ? std::atol(value) : 0;
        left.compare_exchange_strong(now, wanted > 0 ? wanted : -1);
    }
    if (left.load() > 0 && left.fetch_sub(1) == 1) KillThisProcess();
}
inline void PassRecordKillPoint() {
    static std::atomic<long> left{0};
    PassKillPoint("QUORBIT_TEST_KILL_AT_RECORD", left);
}
inline void PassLineKillPoint() {
    static std::atomic<long> left{0};
    PassKillPoint("QUORBIT_TEST_KILL_AT_LINE", left);
}
inline bool HaltBeforeSearch() { return std::getenv("QUORBIT_TEST_HALT_BEFORE_SEARCH") != nullptr; }
#else
inline void PassRecordKillPoint() {}
inline void PassLineKillPoint() {}
inline bool HaltBeforeSearch() { return false; }
#endif

}  // namespace quorbit
