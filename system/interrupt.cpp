#include "interrupt.h"

#include <atomic>
#include <initializer_list>

namespace {

// The one piece of process-wide state a handler must find. Whoever exchanges
// a path out of its slot first owns it: the handler to remove the file, the
// writer to free the string.
std::atomic<const char *> guarded[kMostGuarded] = {};

}  // namespace

bool guardfile(const char *path) {
  for (std::atomic<const char *> &slot : guarded) {
    const char *empty = nullptr;
    if (slot.compare_exchange_strong(empty, path)) return true;
  }
  return false;
}

bool releaseguard(const char *path) {
  for (std::atomic<const char *> &slot : guarded) {
    const char *expected = path;
    if (slot.compare_exchange_strong(expected, nullptr)) return true;
  }
  return false;
}

bool isguarded(const char *path) {
  for (const std::atomic<const char *> &slot : guarded)
    if (slot.load() == path) return true;
  return false;
}

// The platform's part, one block per platform: the handlers and their
// installation.
#if TREVALK_OS_WINDOWS

#include <windows.h>

namespace {

BOOL WINAPI consolehandler(DWORD event) {
  if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT || event == CTRL_CLOSE_EVENT) {
    // The temporary file is opened to allow this: the name goes at once and
    // the file itself when the ending process closes it. Only the handler
    // that takes the path uses the buffer.
    static wchar_t wide[32768];
    for (std::atomic<const char *> &slot : guarded) {
      const char *path = slot.exchange(nullptr);
      if (path != nullptr &&
          MultiByteToWideChar(CP_UTF8, 0, path, -1, wide, sizeof wide / sizeof wide[0]) > 0)
        DeleteFileW(wide);
    }
  }
  // The system's own handling ends the program as it would have.
  return FALSE;
}

}  // namespace

void catchinterrupts() { SetConsoleCtrlHandler(consolehandler, TRUE); }

#elif TREVALK_OS_BROWSER

// A page has no signals: a run ends only by returning to the page, which
// reads the files it wants and drops the rest with the run's file system.

#include <signal.h>

void blockinterrupts(sigset_t *set) { sigemptyset(set); }

void catchinterrupts() {}

#else  // TREVALK_OS_POSIX

#include <signal.h>
#include <unistd.h>

namespace {

// The signals that end a program which does not catch them: the three a user
// sends, a closed pipe, and a file size limit.
constexpr int kInterrupts[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE, SIGXFSZ};

void signalhandler(int signal) {
  for (std::atomic<const char *> &slot : guarded) {
    const char *path = slot.exchange(nullptr);
    if (path != nullptr) unlink(path);
  }
  // End as the signal ends a program that does not catch it.
  struct sigaction action = {};
  action.sa_handler = SIG_DFL;
  sigemptyset(&action.sa_mask);
  sigaction(signal, &action, nullptr);
  raise(signal);
}

}  // namespace

void blockinterrupts(sigset_t *set) {
  sigemptyset(set);
  for (int signal : kInterrupts) sigaddset(set, signal);
}

void catchinterrupts() {
  static_assert(std::atomic<const char *>::is_always_lock_free,
                "the handler needs a lock-free exchange");
  for (int signal : kInterrupts) {
    struct sigaction previous;
    if (sigaction(signal, nullptr, &previous) != 0 || previous.sa_handler == SIG_IGN) continue;
    struct sigaction action = {};
    action.sa_handler = signalhandler;
    // The others wait while one handler runs, so the file is removed once.
    blockinterrupts(&action.sa_mask);
    sigaction(signal, &action, nullptr);
  }
}

#endif
