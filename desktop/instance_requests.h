// What the desktop does for requests from a later start or from quorbit-cli, sent through
// the instance's socket: "show" brings the window to the front, "add" queues units and
// starts the computation as New would, "status" answers the Status box's text, "stop" halts.
#pragma once

#include "instance/instance_channel.h"

namespace quorbit {

class MainWindow;

// The operations for StartInstanceServer (shell/desktop_requests.h), the window's thread
// reached through Qt's queued calls.
InstanceRequestOps DesktopInstanceRequests(MainWindow* window);

}  // namespace quorbit
