#include "shell/desktop_requests.h"

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
#include "support/console.h"
#include "support/shell.h"

namespace quorbit {

namespace {

DesktopRequestHooks hooks{};

using Work = int32_t (*)(std::string& text, const std::string& argument);

// One request handed to the window's thread; shared by both threads, so that a server that
// has given up waiting leaves nothing behind that the window's thread might still use.
struct Handover {
    Work work;
    std::string argument;
    std::mutex lock;
    std::condition_variable ready;
    bool done = false;
    int32_t status = REPLY_REFUSED;
    std::string text;
};

void RunOnWindowThread(void* data) {
    std::unique_ptr<std::shared_ptr<Handover>> held(static_cast<std::shared_ptr<Handover>*>(data));
    Handover& handover = **held;
    std::string text;
    const int32_t status = IsQuitting() ? REPLY_REFUSED : handover.work(text, handover.argument);
    std::lock_guard<std::mutex> hold(handover.lock);
    handover.status = status;
    handover.text = IsQuitting() && status == REPLY_REFUSED ? "The program is closing." : text;
    handover.done = true;
    handover.ready.notify_all();
}

// Runs the work on the window's thread and copies its answer into reply.
int32_t OnWindowThread(Work work, const std::string& argument, char* reply, size_t size) {
    auto handover = std::make_shared<Handover>();
    handover->work = work;
    handover->argument = argument;
    if (!IsQuitting()) {
        auto* passed = new std::shared_ptr<Handover>(handover);
        if (hooks.post == nullptr || !hooks.post(RunOnWindowThread, passed, hooks.context)) {
            delete passed;
        } else {
            std::unique_lock<std::mutex> hold(handover->lock);
            // Polled, so that a shutdown beginning meanwhile is noticed.
            while (!handover->done && !IsQuitting()) handover->ready.wait_for(hold, std::chrono::milliseconds(50));
        }
    }
    std::lock_guard<std::mutex> hold(handover->lock);
    std::snprintf(reply, size, "%s", handover->done ? handover->text.c_str() : "The program is closing.");
    return handover->done ? handover->status : REPLY_REFUSED;
}

int32_t Show(std::string&, const std::string&) {
    if (hooks.show != nullptr) hooks.show(hooks.context);
    return REPLY_DONE;
}

// The units, one per line of the argument ("all" for the 45 in catalogue order), each
// queued as New would queue it; when any names no unit, nothing is queued.
int32_t Add(std::string& text, const std::string& units) {
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

int32_t Status(std::string& text, const std::string&) {
    char status[STATUS_REPLY_SIZE];
    FormatStatusReply(status, sizeof status);
    text = status;
    return REPLY_DONE;
}

int32_t Stop(std::string&, const std::string&) {
    HaltComputation();
    return REPLY_DONE;
}

int32_t ShowRequest(char* reply, size_t size, void*) { return OnWindowThread(Show, "", reply, size); }

int32_t AddRequest(const char* const* units, int32_t count, char* reply, size_t size, void*) {
    std::string list;
    for (int32_t i = 0; i < count; ++i) list.append(units[i]).append("\n");
    return OnWindowThread(Add, list, reply, size);
}

int32_t StatusRequest(char* reply, size_t size, void*) { return OnWindowThread(Status, "", reply, size); }

int32_t StopRequest(char* reply, size_t size, void*) { return OnWindowThread(Stop, "", reply, size); }

}  // namespace

InstanceRequestOps DesktopInstanceRequests(const DesktopRequestHooks& desktopHooks) {
    hooks = desktopHooks;
    return {ShowRequest, AddRequest, StatusRequest, StopRequest, nullptr};
}

void ServeDesktopRequests(const InstanceLock& lock, const InstanceLockResult& locked, const InstanceRequestOps& ops) {
    char error[400];
    if (locked.outcome == InstanceLockOutcome::Failed) {
        std::snprintf(error, sizeof error, "%s: another start in this directory will not find this one.\n",
                      locked.error);
        ConsolePrint(error);
    } else if (!StartInstanceServer(lock, ops, error, sizeof error)) {
        ConsolePrint(error);
        ConsolePrint("\n");
    }
}

}  // namespace quorbit
