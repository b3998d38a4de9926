// The maze library in the browser. A page has no run-time loader, so the
// library is linked into the program and this table hands out its entry
// points, under the names the other platforms look up in the loaded library,
// through the loader's interface (dynlib.h) that the binding uses everywhere.
// Built for the browser alone (cmake/web.cmake).
#include <string.h>

#include "dynlib.h"
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
    {"_qndcreatestyled", reinterpret_cast<DynSymbol>(_qndcreatestyled)},
    {"_qndreroll", reinterpret_cast<DynSymbol>(_qndreroll)},
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
