// An output file that a failed write can neither leave truncated nor harm
// when it already exists. A regular file, or a name that does not exist yet,
// is written to an exclusively created temporary file in the same folder,
// which takes the name only once everything was written and closed; devices
// and pipes cannot be replaced, so they are written in place.
#ifndef TREVALK_OUTPUTFILE_H
#define TREVALK_OUTPUTFILE_H

#include <stdio.h>

struct OutputFile {
  FILE *file;
  char *temppath;   // null when writing in place
  char *finalpath;  // what the temporary file replaces; null when writing in place
};

// Opens the output for `name`; a temporary file is named
// "<tempprefix>-<process>-<serial>.tmp". A read-only existing file is
// refused. Reports nothing; sets errno and returns false on failure, with
// nothing left to abandon.
bool openoutputfile(const char *name, OutputFile *out, const char *tempprefix);

// Ends an output whose writing succeeded when `written` is true: closes the
// file (which is where buffered bytes are written) and, when that worked too,
// puts the temporary file in place of `name`; otherwise removes the temporary
// file, so an existing file keeps its old contents. A failed close is
// reported under `closecontext`; with a null `closecontext` it is reported
// under `name`, and only when it is the first failure (`written` is true),
// the earlier one having been reported already. A failed replacement is
// reported under `name`. Releases the record. Returns true only when the
// whole output is in place.
bool commitoutputfile(OutputFile *out, bool written, const char *name, const char *closecontext);

#endif
