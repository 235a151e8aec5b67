// What the desktop does for requests from a later start or from quorbit-cli, sent through
// the instance's socket: "show" brings the window to the front, "add" queues units and
// starts the computation as New would, "status" answers the Status box's text, "stop" halts.
#pragma once

#include "instance/instance_channel.h"

namespace quorbit {

class MainWindow;

// The operations for StartInstanceServer. Each runs on the server's thread and hands its
// work to the window's thread, waiting for the answer; once the program is quitting it
// refuses instead, so that the shutdown never waits for a request nor a request for it.
InstanceRequestOps DesktopInstanceRequests(MainWindow* window);

}  // namespace quorbit
