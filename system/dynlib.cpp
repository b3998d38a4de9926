#include "dynlib.h"

// The platform's part, one block per platform.
#ifdef _WIN32

#include <string>

#include <windows.h>

const char kQuendrelFile[] = "quendrel.dll";

namespace {

// The loader takes a path with backslashes only; the build hands the tests
// their libraries' paths with forward slashes.
std::string windowspath(const char *filename) {
  std::string path = filename;
  for (char &c : path)
    if (c == '/') c = '\\';
  return path;
}

}  // namespace

DynLib dynlibopen(const char *filename) {
  // The program's own folder and the system's folders, never the current
  // folder: a library left where the program is run must not be loaded.
  return reinterpret_cast<DynLib>(
      LoadLibraryExA(windowspath(filename).c_str(), nullptr, LOAD_LIBRARY_SEARCH_DEFAULT_DIRS));
}

DynSymbol dynlibsymbol(DynLib library, const char *name) {
  // FARPROC and DynSymbol are both function pointers; void (*)(void) is the
  // type that converts to and from any of them without a cast warning.
  return reinterpret_cast<DynSymbol>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void dynlibclose(DynLib library) { FreeLibrary(static_cast<HMODULE>(library)); }

bool dynlibisloaded(const char *filename) {
  return GetModuleHandleA(windowspath(filename).c_str()) != nullptr;
}

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

bool dynlibisloaded(const char *filename) { return strcmp(filename, kQuendrelFile) == 0; }

#else  // POSIX

#include <dlfcn.h>

#ifdef __APPLE__
const char kQuendrelFile[] = "libquendrel.dylib";
#else
const char kQuendrelFile[] = "libquendrel.so.1";
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

bool dynlibisloaded(const char *filename) {
  void *library = dlopen(filename, RTLD_NOW | RTLD_NOLOAD);
  if (library == nullptr) return false;
  dlclose(library);
  return true;
}

#endif
