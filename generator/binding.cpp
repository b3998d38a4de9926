#include "binding.h"

// The binding, program-wide: the loaded library and its entry points, which
// every call into the library goes through.
DynLib qndmodule = nullptr;
qndcreate_fn qndcreateref = nullptr;
qnddestroy_fn qnddestroyref = nullptr;
qndsetpos_fn qndsetposref = nullptr;
qndgetpos_fn qndgetposref = nullptr;
qndcreatestyled_fn qndcreatestyledref = nullptr;
qndreroll_fn qndrerollref = nullptr;

BindResult qndinit() { return qndinitfile(kQuendrelFile); }

BindResult qndinitfile(const char *filename) {
  if (qndmodule != nullptr) return kBindAlready;

  DynLib library = dynlibopen(filename);
  if (library == nullptr) return kBindFailed;

  DynSymbol create = dynlibsymbol(library, "_qndcreate");
  DynSymbol destroy = dynlibsymbol(library, "_qnddestroy");
  DynSymbol setpos = dynlibsymbol(library, "_qndsetpos");
  DynSymbol getpos = dynlibsymbol(library, "_qndgetpos");
  DynSymbol createstyled = dynlibsymbol(library, "_qndcreatestyled");
  DynSymbol reroll = dynlibsymbol(library, "_qndreroll");

  // The layout calls these three without a test; a library that lacks one
  // cannot serve a run at all. _qndsetpos is never called, so it may be
  // missing.
  if (create == nullptr || destroy == nullptr || getpos == nullptr) {
    dynlibclose(library);
    return kBindFailed;
  }

  qndmodule = library;
  qndcreateref = reinterpret_cast<qndcreate_fn>(create);
  qnddestroyref = reinterpret_cast<qnddestroy_fn>(destroy);
  qndsetposref = reinterpret_cast<qndsetpos_fn>(setpos);
  qndgetposref = reinterpret_cast<qndgetpos_fn>(getpos);
  qndcreatestyledref = reinterpret_cast<qndcreatestyled_fn>(createstyled);
  qndrerollref = reinterpret_cast<qndreroll_fn>(reroll);
  return kBindLoaded;
}

void qndrelease() {
  if (qndmodule == nullptr) return;
  dynlibclose(qndmodule);
  qndmodule = nullptr;
}
