// Binding of the maze library: loaded at run time by file name, its entry
// points looked up by name and kept in program-wide references. The program
// has no link-time dependency on the library; every call of an entry point
// goes through its reference.
#ifndef TREVALK_BINDING_H
#define TREVALK_BINDING_H

#include "dynlib.h"
#include "quendrel.h"

// The loaded maze library; null while none is loaded.
extern DynLib qndmodule;

// The entry points of the loaded library. Valid only while qndmodule is
// non-null; qndrelease leaves them as they are. qndsetposref is null when the
// library does not export _qndsetpos, which nothing calls.
extern qndcreate_fn qndcreateref;
extern qnddestroy_fn qnddestroyref;
extern qndsetpos_fn qndsetposref;
extern qndgetpos_fn qndgetposref;
// _qndcreatestyled, or null for a library from before styled mazes: only
// runs with a style need it.
extern qndcreatestyled_fn qndcreatestyledref;
// _qndreroll, or null for a library from before edits: only runs with
// --reroll or --keep need it.
extern qndreroll_fn qndrerollref;

// What a bind did.
enum BindResult {
  kBindFailed = 0,   // no library was bound: it cannot be loaded or lacks an entry point
  kBindAlready = 1,  // a library was bound already; nothing was done
  kBindLoaded = 2    // the library was loaded now and its entry points were looked up
};

// Binds the maze library under this platform's file name (kQuendrelFile).
BindResult qndinit();

// Binds the maze library of the given file name, as qndinit does. A library
// that loads but lacks _qndcreate, _qndgetpos or _qnddestroy is released
// again and the bind fails. A failed bind leaves qndmodule null and the
// references as they were.
BindResult qndinitfile(const char *filename);

// Releases the bound library and sets qndmodule to null; does nothing while
// none is bound.
void qndrelease();

#endif
