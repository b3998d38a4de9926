// Run-time loading of a shared library: load by file name, look up an entry
// point by its exact exported name, release. The one place that knows the
// platform's loader (the Win32 calls on Windows, dlopen and friends
// elsewhere).
#ifndef TREVALK_DYNLIB_H
#define TREVALK_DYNLIB_H

// A loaded library; null when none is loaded. Holds the platform's own handle
// (an HMODULE on Windows) so callers need no platform header.
typedef void *DynLib;

// Any entry point, as the loader hands it out. Cast it to the entry point's
// own type before calling it.
typedef void (*DynSymbol)(void);

// The file name of the maze library as this platform's loader expects it:
// "quendrel.dll" on Windows, "libquendrel.dylib" on macOS, elsewhere the
// run-time name "libquendrel.so.1" that the library's run-time package
// provides. A bare name, so the loader's search finds the library: the
// program's run path or own folder, the system's library folders (and
// LD_LIBRARY_PATH), never the current folder. In the browser, where the
// library is linked in and a table hands out its entry points, "quendrel".
extern const char kQuendrelFile[];

// Loads the shared library of that file name, a bare name or a path (on
// Windows with either kind of slash).
// Returns its handle, or null when it cannot be loaded.
DynLib dynlibopen(const char *filename);

// Looks up the entry point that the library exports under exactly that name.
// Returns it, or null when the library exports nothing of that name.
DynSymbol dynlibsymbol(DynLib library, const char *name);

// Releases a library that dynlibopen loaded; none of its entry points may be
// called afterwards. The platform's outcome is not reported.
void dynlibclose(DynLib library);

// True while the process holds the library of that path, asked without
// loading it: what tells the tests that a release really let the library go.
bool dynlibisloaded(const char *filename);

#endif
