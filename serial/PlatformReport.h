#pragma once
// How cnComm's event-loop failure reaches the user: the event thread must
// not open a window, so the message is queued to the user-interface thread
// and shown there through the platform seam, as a box without owner window.

#include "serial/cnComm.h"
#include "app/Platform.h"

class QObject;

namespace korvex::serial {

// `uiContext` lives on the user-interface thread and outlives every event
// thread of the port that reports through it (the port's owner does, for
// instance). A message still queued when `uiContext` is destroyed is dropped.
EventLoopReport ReportThroughPlatform(Platform& platform, QObject* uiContext);

} // namespace korvex::serial
