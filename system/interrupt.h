// Interrupted runs: a program stopped by an interrupt, a termination request
// or a hang-up removes the temporary file it is writing before it ends, so
// no half-written output stays behind.
#ifndef TREVALK_INTERRUPT_H
#define TREVALK_INTERRUPT_H

// Installs the handlers: SIGINT, SIGTERM and SIGHUP, and SIGQUIT, SIGPIPE
// and SIGXFSZ, each unless it was ignored when the program started (a
// background job keeps ignoring it); on Windows the console's Ctrl-C,
// Ctrl-Break and close events. A handler
// removes the guarded files, then ends the program as the signal or event
// would have without it. Call once, at the start of main.
void catchinterrupts();

// Files guarded at once at most: a map and its report are written side by
// side, each through a temporary file of its own.
constexpr int kMostGuarded = 2;

// Hands `path` to the handlers: from now on an interrupt removes that file.
// The string must stay valid until releaseguard takes it back. Returns
// false, guarding nothing, when kMostGuarded files are guarded already.
bool guardfile(const char *path);

// Takes `path` back, so that the handlers no longer touch it. Returns true
// when it was still guarded; false when a handler (on Windows, running in a
// thread of its own) took it first, in which case the caller must leave the
// string alone, as the program is ending.
bool releaseguard(const char *path);

// True while `path` is guarded: false once a handler has taken it.
bool isguarded(const char *path);

#include "platform.h"

#if !TREVALK_OS_WINDOWS
#include <signal.h>

// Fills `set` with the signals the handlers catch, for code that must not be
// interrupted between two steps.
void blockinterrupts(sigset_t *set);
#endif

#endif
