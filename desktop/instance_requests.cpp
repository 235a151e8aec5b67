#include "desktop/instance_requests.h"

#include <cstdio>

#include "desktop/main_window.h"
#include "shell/desktop_requests.h"

namespace quorbit {

namespace {

bool PostToWindow(void (*call)(void*), void* data, void* context) {
    return QMetaObject::invokeMethod(
        static_cast<MainWindow*>(context), [call, data] { call(data); }, Qt::QueuedConnection);
}

void ShowWindow(void* context) {
    static_cast<MainWindow*>(context)->Activate();
    std::fputs("quorbit: brought to the front by another start in this directory\n", stderr);
}

}  // namespace

InstanceRequestOps DesktopInstanceRequests(MainWindow* window) {
    return DesktopInstanceRequests(DesktopRequestHooks{PostToWindow, ShowWindow, window});
}

}  // namespace quorbit
