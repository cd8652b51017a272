#pragma once
// The program's second thread, for the work a large map shares between two
// threads. It is started the first time it is given work and then waits for
// the next, so a run that uses it for several steps starts one thread, not
// one a step.
#include <functional>

// Hands `work` to the second thread, which must have no work left (see
// waitForSecondThread). False when no thread can be had: the caller then does
// the work itself.
bool startOnSecondThread(std::function<void()> work);

// Waits until the work handed to the second thread last is done; at once when
// it has none.
void waitForSecondThread();
