#include "dynlib.h"

#include "platform.h"

// The platform's part, one block per platform. The browser has no run-time
// loader: the program links the maze library in and hands out its entry
// points itself (generator/linkedlibrary.cpp), so this file is not built there.
#if TREVALK_OS_WINDOWS

#include <stdlib.h>
#include <windows.h>

#include "widenames.h"

const char kQuendrelFile[] = "quendrel.dll";

namespace {

// The loader takes a path with backslashes only; the build hands the tests
// their libraries' paths with forward slashes.
wchar_t *windowspath(const char *filename) {
  wchar_t *path = widened(filename);
  if (path != nullptr)
    for (wchar_t *c = path; *c != L'\0'; ++c)
      if (*c == L'/') *c = L'\\';
  return path;
}

}  // namespace

DynLib dynlibopen(const char *filename) {
  wchar_t *path = windowspath(filename);
  if (path == nullptr) return nullptr;
  // The program's own folder and the system's folders, never the current
  // folder: a library left where the program is run must not be loaded.
  HMODULE library = LoadLibraryExW(path, nullptr, LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
  free(path);
  return reinterpret_cast<DynLib>(library);
}

DynSymbol dynlibsymbol(DynLib library, const char *name) {
  // FARPROC and DynSymbol are both function pointers; void (*)(void) is the
  // type that converts to and from any of them without a cast warning.
  return reinterpret_cast<DynSymbol>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void dynlibclose(DynLib library) { FreeLibrary(static_cast<HMODULE>(library)); }

bool dynlibisloaded(const char *filename) {
  wchar_t *path = windowspath(filename);
  const bool loaded = path != nullptr && GetModuleHandleW(path) != nullptr;
  free(path);
  return loaded;
}

#elif TREVALK_OS_POSIX

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
