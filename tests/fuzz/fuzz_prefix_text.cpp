// The prefix of moves a user gives (quorbit-cli search --prefix): read as text, then
// walked as the search would take it. The first byte chooses the unit.
#include <cstdint>
#include <cstring>
#include <string>

#include "catalogue/catalogue.h"
#include "search/path_text.h"
#include "search/subtree_search.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace quorbit;
    if (size == 0) return 0;
    const WorkUnit& work = workUnits[data[0] % WORK_UNIT_COUNT];
    const std::string text(reinterpret_cast<const char*>(data + 1),
                           strnlen(reinterpret_cast<const char*>(data + 1), size - 1));
    uint8_t squares[HOOK_MOVE + 1];
    std::memset(squares, 0xee, sizeof squares);
    char error[128];
    const int count = ParseSquareList(text.c_str(), squares, HOOK_MOVE, error, sizeof error);
    if (count < 0) {
        FUZZ_CHECK(std::strlen(error) > 0 && std::strlen(error) < sizeof error);
        return 0;
    }
    FUZZ_CHECK(count >= 1 && count <= HOOK_MOVE && squares[HOOK_MOVE] == 0xee);
    // Read back, the list is the text (letters in small case).
    uint32_t wide[HOOK_MOVE];
    for (int i = 0; i < count; ++i) wide[i] = squares[i];
    char again[3 * HOOK_MOVE];
    FormatSquareList(wide, count, again);
    std::string lower = text;
    for (char& c : lower) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    FUZZ_CHECK(lower == again);

    const PrefixCheck check = CheckPrefix(work.start, work.end, squares, count);
    FUZZ_CHECK(check.badMove >= 0 && check.badMove <= count);
    FUZZ_CHECK((check.badMove == 0) == (check.reason[0] == '\0'));
    if (squares[0] != work.start) FUZZ_CHECK(check.badMove == 1);
    // The refusal names the first bad move: the moves before it are a prefix the search takes.
    if (check.badMove > 1) FUZZ_CHECK(CheckPrefix(work.start, work.end, squares, check.badMove - 1).badMove == 0);
    return 0;
}
