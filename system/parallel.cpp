#include "parallel.h"

#include "platform.h"

namespace {

// The most threads a run starts, whatever the processor count says.
constexpr unsigned kMostThreads = 64;

struct Call {
  void (*task)(void *context, unsigned k);
  void *context;
  unsigned k;
};

}  // namespace

// The platform's part, one block per platform: the processor count and the
// threads.
#if TREVALK_OS_WINDOWS

#include <windows.h>

namespace {

typedef HANDLE Thread;

DWORD WINAPI threadmain(void *argument) {
  const Call *call = static_cast<const Call *>(argument);
  call->task(call->context, call->k);
  return 0;
}

bool startthread(Thread *thread, Call *call) {
  *thread = CreateThread(nullptr, 0, threadmain, call, 0, nullptr);
  return *thread != nullptr;
}

void jointhread(Thread thread) {
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
}

unsigned systemprocessors() {
  SYSTEM_INFO info;
  GetSystemInfo(&info);
  return unsigned(info.dwNumberOfProcessors);
}

}  // namespace

#elif TREVALK_OS_BROWSER

// The browser build runs on one thread: threads there would need shared
// memory, which a page gets only when its server isolates it. No thread
// starts, so every task runs in the calling thread.

namespace {

typedef int Thread;

bool startthread(Thread *, Call *) { return false; }

void jointhread(Thread) {}

unsigned systemprocessors() { return 1; }

}  // namespace

#else  // TREVALK_OS_POSIX

#include <pthread.h>
#include <sched.h>
#include <unistd.h>

namespace {

typedef pthread_t Thread;

void *threadmain(void *argument) {
  const Call *call = static_cast<const Call *>(argument);
  call->task(call->context, call->k);
  return nullptr;
}

bool startthread(Thread *thread, Call *call) {
  return pthread_create(thread, nullptr, threadmain, call) == 0;
}

void jointhread(Thread thread) { pthread_join(thread, nullptr); }

unsigned systemprocessors() {
#ifdef CPU_COUNT
  // The processors this process may run on, which a machine's count
  // overstates under an affinity mask.
  cpu_set_t set;
  if (sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0)
    return unsigned(CPU_COUNT(&set));
#endif
  long count = sysconf(_SC_NPROCESSORS_ONLN);
  return count > 0 ? unsigned(count) : 1;
}

}  // namespace

#endif

unsigned processorcount() {
  unsigned count = systemprocessors();
  if (count < 1) count = 1;
  return count < kMostThreads ? count : kMostThreads;
}

void runtogether(unsigned count, void (*task)(void *context, unsigned k), void *context) {
  if (count > kMostThreads) count = kMostThreads;
  Call calls[kMostThreads];
  Thread threads[kMostThreads];
  bool started[kMostThreads] = {};
  for (unsigned k = 1; k < count; ++k) {
    calls[k] = {task, context, k};
    started[k] = startthread(&threads[k], &calls[k]);
  }
  task(context, 0);
  for (unsigned k = 1; k < count; ++k) {
    if (started[k])
      jointhread(threads[k]);
    else
      task(context, k);
  }
}
