#include "dynlib.h"

// The platform's part, one block per platform.
#ifdef _WIN32

#include <string>

#include <windows.h>

const char kQuendrelFile[] = "quendrel.dll";

namespace {

// The loader takes a path with backslashes only.
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
