// Work on every core: a task run in several threads at once.
#ifndef TREVALK_PARALLEL_H
#define TREVALK_PARALLEL_H

// The number of processors the program may run on, at least 1.
unsigned processorcount();

// Runs task(context, k) for k = 0 to count - 1 at the same time, k = 0 in
// the calling thread, and returns once all have returned. A thread that
// cannot be started runs its task in the calling thread afterwards, so the
// tasks must share their work out among themselves rather than rely on
// running side by side.
void runtogether(unsigned count, void (*task)(void *context, unsigned k), void *context);

#endif
