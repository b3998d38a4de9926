#include "dynlib.h"

#ifdef _WIN32

#include <windows.h>

const char kQuendrelFile[] = "quendrel.dll";

DynLib dynlibopen(const char *filename) {
  // The program's own folder and the system's folders, never the current
  // folder: a library left where the program is run must not be loaded.
  return reinterpret_cast<DynLib>(
      LoadLibraryExA(filename, nullptr, LOAD_LIBRARY_SEARCH_DEFAULT_DIRS));
}

DynSymbol dynlibsymbol(DynLib library, const char *name) {
  // FARPROC and DynSymbol are both function pointers; void (*)(void) is the
  // type that converts to and from any of them without a cast warning.
  return reinterpret_cast<DynSymbol>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void dynlibclose(DynLib library) { FreeLibrary(static_cast<HMODULE>(library)); }

#elif defined(__EMSCRIPTEN__)

// The browser has no run-time loader: the maze library is linked into the
// program, and a table hands out its entry points under the names that the
// other platforms look up in the loaded library.

#include <string.h>

#include "quendrel.h"

const char kQuendrelFile[] = "quendrel";

namespace {

struct EntryPoint {
  const char *name;
  DynSymbol symbol;
};

const EntryPoint kEntryPoints[] = {
    {"_qndcreate", reinterpret_cast<DynSymbol>(_qndcreate)},
    {"_qnddestroy", reinterpret_cast<DynSymbol>(_qnddestroy)},
    {"_qndgetpos", reinterpret_cast<DynSymbol>(_qndgetpos)},
    {"_qndsetpos", reinterpret_cast<DynSymbol>(_qndsetpos)},
};

// The one library there is; only its address is used, as its handle.
char linkedlibrary;

}  // namespace

DynLib dynlibopen(const char *filename) {
  return strcmp(filename, kQuendrelFile) == 0 ? &linkedlibrary : nullptr;
}

DynSymbol dynlibsymbol(DynLib library, const char *name) {
  if (library != &linkedlibrary) return nullptr;
  for (const EntryPoint &entry : kEntryPoints)
    if (strcmp(entry.name, name) == 0) return entry.symbol;
  return nullptr;
}

void dynlibclose(DynLib) {}

#else

#include <dlfcn.h>

#ifdef __APPLE__
const char kQuendrelFile[] = "libquendrel.dylib";
#else
const char kQuendrelFile[] = "libquendrel.so";
#endif

DynLib dynlibopen(const char *filename) {
  // Resolve everything at load time, as the Win32 loader does, and keep the
  // library's symbols out of the global namespace.
  return dlopen(filename, RTLD_NOW | RTLD_LOCAL);
}

DynSymbol dynlibsymbol(DynLib library, const char *name) {
  return reinterpret_cast<DynSymbol>(dlsym(library, name));
}

void dynlibclose(DynLib library) { dlclose(library); }

#endif
