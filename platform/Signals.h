#pragma once

#include <functional>

// The signals that ask a program to end (SIGTERM, SIGINT, SIGHUP), taken into the event
// loop where a run has something to restore first (the cursor); it then ends by the
// signal, as a screen-saver host expects of its programs.
namespace platform {

// From now on such a signal calls `end` from the event loop (never from the signal
// handler). A later call replaces `end`; an empty one makes the signals exit(0).
// A run still there 50 ms after the signal (busy with a large picture, say), or that gets
// a second one, ends at once by the signal's default action. Needs a QCoreApplication.
void EndOnTerminationSignals(std::function<void()> end);

// Blocks until such a signal arrives: for a run that has nothing to show but must not
// end on its own, since the host would start it again at once.
void WaitForTerminationSignal();

// Once the run has restored what it changed: ends the program by the termination signal
// it received, if any, with the signal's default action. A host then sees its program end
// by the signal it sent (XScreenSaver reports any other end as abnormal).
void DieByReceivedSignal();

} // namespace platform
