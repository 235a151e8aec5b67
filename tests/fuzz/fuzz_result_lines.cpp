// The lines quorbit-cli verify reads from "SOLUTION.TXT" and "LOGSOL.TXT". Each line read
// as one of the program's own must be exactly what the program would write for it.
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <string>

#include "catalogue/catalogue.h"
#include "results/result_line.h"
#include "results/results_verifier.h"
#include "results/trial_mark.h"
#include "search/geometry.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

std::string Rewritten(const quorbit::ResultLine& line) {
    using namespace quorbit;
    char text[512];
    if (line.kind == ResultLineKind::Solution) {
        std::string tour;
        for (int i = 0; i < SQUARE_COUNT; ++i) {
            char name[3] = {0, 0, 0};
            WriteSquareName(line.tour[i], name);
            tour += (i > 0 ? "-" : "") + std::string(name);
        }
        std::snprintf(text, sizeof text, "Solution %d: %s found in %d milliseconds (%" PRIu64 " nodes)", line.number,
                      tour.c_str(), line.elapsedMs, line.nodes);
    } else if (line.kind == ResultLineKind::Summary) {
        std::snprintf(text, sizeof text,
                      "Computation of %s has finished in %d milliseconds (%" PRIu64
                      " cycles), %d solutions have been found in %" PRIu64 " total nodes",
                      workUnits[line.unit].name, line.elapsedMs, line.cycles, line.solutions, line.totalNodes);
    } else if (line.kind == ResultLineKind::Detail) {
        std::string counts;
        for (int i = 0; i < line.countCount; ++i) counts += " " + std::to_string(line.counts[i]);
        return counts;
    } else {
        return "";
    }
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace quorbit;
    ResultsVerifier verifier;
    BeginResultsFile(verifier, "SOLUTION.TXT");
    const char* text = reinterpret_cast<const char*>(data);
    size_t start = 0;
    for (size_t i = 0; i <= size; ++i) {
        if (i < size && data[i] != '\n') continue;
        size_t length = i - start;
        if (length > 0 && text[start + length - 1] == '\r') --length;
        ResultLine line;
        const ResultLineKind kind = ReadResultLine(text + start, length, line);
        const std::string again = Rewritten(line);
        if (!again.empty()) FUZZ_CHECK(again == std::string(text + start, length));
        if (kind == ResultLineKind::Malformed) FUZZ_CHECK(line.fault[0] != '\0');
        int trialUnit = -1;
        if (ReadTrialMark(text + start, length, &trialUnit)) {
            // A mark is read only as the program writes it, for a unit of the catalogue.
            FUZZ_CHECK(trialUnit >= 0 && trialUnit < WORK_UNIT_COUNT);
            const std::string mark = "Trial run of " + std::string(workUnits[trialUnit].name) + ": ";
            FUZZ_CHECK(std::string(text + start, length).rfind(mark, 0) == 0);
        }
        VerifyResultLine(verifier, text + start, length);
        start = i + 1;
    }
    EndResultsFile(verifier);
    FinishVerification(verifier);
    for (const VerifyFinding& finding : verifier.invalid) FUZZ_CHECK(!finding.text.empty());
    return 0;
}
