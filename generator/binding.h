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

// Binds the maze library under this platform's file name (kQuendrelFile).
// Returns 0 when it cannot be bound, 1 when it was already bound (nothing is
// done), 2 when it was loaded now and its entry points were looked up.
int qndinit();

// Binds the maze library of the given file name, as qndinit does.
// Returns 0 when the library cannot be loaded, or when it loads but lacks
// _qndcreate, _qndgetpos or _qnddestroy (it is then released again); in both
// cases qndmodule stays null and the references keep their values.
// Returns 1 when a library is already bound, 2 when this one was bound now.
int qndinitfile(const char *filename);

// Releases the bound library and sets qndmodule to null; does nothing while
// none is bound.
void qndrelease();

#endif
