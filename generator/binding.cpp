#include "binding.h"

DynLib qndmodule = nullptr;
qndcreate_fn qndcreateref = nullptr;
qnddestroy_fn qnddestroyref = nullptr;
qndsetpos_fn qndsetposref = nullptr;
qndgetpos_fn qndgetposref = nullptr;

int qndinit() { return qndinitfile(kQuendrelFile); }

int qndinitfile(const char *filename) {
  if (qndmodule != nullptr) return 1;

  DynLib library = dynlibopen(filename);
  if (library == nullptr) return 0;

  DynSymbol create = dynlibsymbol(library, "_qndcreate");
  DynSymbol destroy = dynlibsymbol(library, "_qnddestroy");
  DynSymbol setpos = dynlibsymbol(library, "_qndsetpos");
  DynSymbol getpos = dynlibsymbol(library, "_qndgetpos");

  // The layout calls these three without a test; a library that lacks one
  // cannot serve a run at all. _qndsetpos is never called, so it may be
  // missing.
  if (create == nullptr || destroy == nullptr || getpos == nullptr) {
    dynlibclose(library);
    return 0;
  }

  qndmodule = library;
  qndcreateref = reinterpret_cast<qndcreate_fn>(create);
  qnddestroyref = reinterpret_cast<qnddestroy_fn>(destroy);
  qndsetposref = reinterpret_cast<qndsetpos_fn>(setpos);
  qndgetposref = reinterpret_cast<qndgetpos_fn>(getpos);
  return 2;
}

void qndrelease() {
  if (qndmodule == nullptr) return;
  dynlibclose(qndmodule);
  qndmodule = nullptr;
}
