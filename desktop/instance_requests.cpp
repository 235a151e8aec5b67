#include "desktop/instance_requests.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "catalogue/catalogue.h"
#include "control/computation.h"
#include "control/queue_status.h"
#include "control/unit_input.h"
#include "control/work_queue.h"
#include "desktop/main_window.h"
#include "support/shell.h"

namespace quorbit {

namespace {

struct Answer {
    std::mutex lock;
    std::condition_variable ready;
    bool done = false;
    int32_t status = REPLY_REFUSED;
    std::string text;
};

using Work = int32_t (*)(MainWindow* window, std::string& text, const std::string& argument);

// Runs the work on the window's thread and copies its answer into reply.
int32_t OnWindowThread(void* context, Work work, const std::string& argument, char* reply, size_t size) {
    auto* window = static_cast<MainWindow*>(context);
    auto answer = std::make_shared<Answer>();
    if (!IsQuitting()) {
        QMetaObject::invokeMethod(
            window,
            [window, work, argument, answer] {
                std::string text;
                const int32_t status = IsQuitting() ? REPLY_REFUSED : work(window, text, argument);
                std::lock_guard<std::mutex> hold(answer->lock);
                answer->status = status;
                answer->text = IsQuitting() && status == REPLY_REFUSED ? "The program is closing." : text;
                answer->done = true;
                answer->ready.notify_all();
            },
            Qt::QueuedConnection);
        std::unique_lock<std::mutex> hold(answer->lock);
        // Polled, so that a shutdown beginning meanwhile is noticed.
        while (!answer->done && !IsQuitting()) answer->ready.wait_for(hold, std::chrono::milliseconds(50));
    }
    std::lock_guard<std::mutex> hold(answer->lock);
    std::snprintf(reply, size, "%s", answer->done ? answer->text.c_str() : "The program is closing.");
    return answer->done ? answer->status : REPLY_REFUSED;
}

int32_t Show(MainWindow* window, std::string&, const std::string&) {
    window->Activate();
    std::fputs("quorbit: brought to the front by another start in this directory\n", stderr);
    return REPLY_DONE;
}

// The units, one per line of the argument ("all" for the 45 in catalogue order), each
// queued as New would queue it; when any names no unit, nothing is queued.
int32_t Add(MainWindow*, std::string& text, const std::string& units) {
    std::vector<int32_t> queued;
    std::string refused;
    size_t start = 0;
    while (start < units.size()) {
        const size_t end = units.find('\n', start);
        const std::string word = units.substr(start, end - start);
        start = end + 1;
        int32_t unit = -1;
        if (word == "all") {
            for (int32_t u = 0; u < WORK_UNIT_COUNT; ++u) queued.push_back(u);
        } else if (ParseUnitInput(word.c_str(), &unit) == UnitInput::Unit) {
            queued.push_back(unit);
        } else {
            refused += (refused.empty() ? "" : ", ") + word;
        }
    }
    if (!refused.empty()) {
        char refusal[96];
        FormatUnitInputRefusal(refusal, sizeof refusal);
        text = "Not a unit: " + refused + "\n" + refusal + "\nNothing was queued.";
        return REPLY_REFUSED;
    }
    for (const int32_t unit : queued) {
        char entry[16];
        std::snprintf(entry, sizeof entry, "%lu", static_cast<unsigned long>(unit));
        EnqueueWork(entry);
        text += text.empty() ? "Queued: " : ", ";
        text += UnitName(unit);
    }
    return REPLY_DONE;
}

int32_t Status(MainWindow*, std::string& text, const std::string&) {
    char status[STATUS_REPLY_SIZE];
    FormatStatusReply(status, sizeof status);
    text = status;
    return REPLY_DONE;
}

int32_t Stop(MainWindow*, std::string&, const std::string&) {
    HaltComputation();
    return REPLY_DONE;
}

int32_t ShowRequest(char* reply, size_t size, void* context) { return OnWindowThread(context, Show, "", reply, size); }

int32_t AddRequest(const char* const* units, int32_t count, char* reply, size_t size, void* context) {
    std::string list;
    for (int32_t i = 0; i < count; ++i) list.append(units[i]).append("\n");
    return OnWindowThread(context, Add, list, reply, size);
}

int32_t StatusRequest(char* reply, size_t size, void* context) {
    return OnWindowThread(context, Status, "", reply, size);
}

int32_t StopRequest(char* reply, size_t size, void* context) { return OnWindowThread(context, Stop, "", reply, size); }

}  // namespace

InstanceRequestOps DesktopInstanceRequests(MainWindow* window) {
    return {ShowRequest, AddRequest, StatusRequest, StopRequest, window};
}

}  // namespace quorbit
