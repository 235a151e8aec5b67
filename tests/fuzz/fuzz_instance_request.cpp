// A request line on an instance's socket ("show", "status", "stop", "add UNIT..."), as any
// process of the user may send it, and the units of an add read as the queue takes them.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "control/unit_request.h"
#include "control/unit_input.h"
#include "instance/instance_channel.h"
#include "support/line_table.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

struct Calls {
    std::string command;
    std::vector<std::string> words;
};

int32_t Plain(const char* name, char* reply, size_t size, void* context) {
    static_cast<Calls*>(context)->command = name;
    if (size > 0) std::snprintf(reply, size, "%s done, with a reply longer than the smallest rooms\n", name);
    return quorbit::REPLY_DONE;
}
int32_t Show(char* reply, size_t size, void* context) { return Plain("show", reply, size, context); }
int32_t Status(char* reply, size_t size, void* context) { return Plain("status", reply, size, context); }
int32_t Stop(char* reply, size_t size, void* context) { return Plain("stop", reply, size, context); }

int32_t Add(const char* const* units, int32_t count, char* reply, size_t size, void* context) {
    auto& calls = *static_cast<Calls*>(context);
    calls.command = "add";
    for (int32_t i = 0; i < count; ++i) calls.words.push_back(units[i]);
    static int32_t read[quorbit::MAX_TABLE_LINES];
    int32_t readCount = 0;
    const int32_t status = quorbit::ReadUnitWords(units, count, read, quorbit::MAX_TABLE_LINES, &readCount, reply, size);
    for (int32_t i = 0; i < readCount; ++i) FUZZ_CHECK(read[i] >= 0 && read[i] < 45);
    if (status == quorbit::REPLY_DONE) {
        for (int32_t i = 0; i < count; ++i) {
            int32_t unit = -1;
            FUZZ_CHECK(quorbit::EqualIgnoringCase(units[i], "all") ||
                       quorbit::ParseUnitInput(units[i], &unit) == quorbit::UnitInput::Unit);
        }
    } else if (size > 2) {
        FUZZ_CHECK(reply[0] == '\'');
    }
    return status;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace quorbit;
    // The bytes as a client sends them: framed whole only up to its line end, never cut.
    {
        const char* bytes = reinterpret_cast<const char*>(data);
        char framed[INSTANCE_REQUEST_MAX];
        const RequestFrame frame = FrameInstanceRequest(bytes, size, framed);
        const char* end = static_cast<const char*>(std::memchr(bytes, '\n', size));
        size_t text = end != nullptr ? static_cast<size_t>(end - bytes) : size;
        if (end != nullptr && text > 0 && bytes[text - 1] == '\r') --text;
        switch (frame) {
            case RequestFrame::Incomplete:
                FUZZ_CHECK(end == nullptr && size <= INSTANCE_REQUEST_MAX);
                break;
            case RequestFrame::TooLong:
                FUZZ_CHECK(end != nullptr ? text >= INSTANCE_REQUEST_MAX : size > INSTANCE_REQUEST_MAX);
                break;
            case RequestFrame::Malformed:
                FUZZ_CHECK(end != nullptr && text < INSTANCE_REQUEST_MAX && std::memchr(bytes, '\0', text) != nullptr);
                break;
            case RequestFrame::Whole:
                FUZZ_CHECK(end != nullptr && text < INSTANCE_REQUEST_MAX && std::strlen(framed) == text &&
                           std::memcmp(framed, bytes, text) == 0);
                break;
        }
    }
    const std::string line(reinterpret_cast<const char*>(data), strnlen(reinterpret_cast<const char*>(data), size));
    if (line.size() >= INSTANCE_REQUEST_MAX) return 0;  // the server refuses such a line before dispatching
    std::vector<std::string> tokens;
    {
        std::string token;
        for (const char c : line + " ") {
            if (c == ' ' || c == '\t') {
                if (!token.empty()) tokens.push_back(token);
                token.clear();
            } else {
                token += c;
            }
        }
    }
    for (const size_t room : {size_t{1}, size_t{8}, size_t{64}, size_t{INSTANCE_REPLY_MAX}}) {
        Calls calls;
        const InstanceRequestOps ops = {&Show, &Add, &Status, &Stop, &calls};
        std::vector<char> reply(room, 'x');
        const int32_t status = DispatchInstanceRequest(line.c_str(), ops, reply.data(), room);
        FUZZ_CHECK(status == REPLY_DONE || status == REPLY_REFUSED || status == REPLY_BAD_REQUEST);
        FUZZ_CHECK(std::memchr(reply.data(), '\0', room) != nullptr);
        if (calls.command.empty()) {
            FUZZ_CHECK(status == REPLY_BAD_REQUEST);
            continue;
        }
        // Only a well-formed request reaches its operation, with exactly the words given.
        FUZZ_CHECK(!tokens.empty() && tokens[0] == calls.command);
        if (calls.command == "add") {
            FUZZ_CHECK(std::vector<std::string>(tokens.begin() + 1, tokens.end()) == calls.words);
        } else {
            FUZZ_CHECK(tokens.size() == 1);
        }
    }
    return 0;
}
