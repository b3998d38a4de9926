// An output file that a failed write can neither leave truncated nor harm
// when it already exists. A regular file, or a name that does not exist yet,
// is written to an exclusively created temporary file in the same folder,
// which takes the name only once everything was written and closed; devices
// and pipes cannot be replaced, so they are written in place. Nothing here
// prints: failures come back to the caller, who reports them in its words.
#ifndef TREVALK_OUTPUTFILE_H
#define TREVALK_OUTPUTFILE_H

#include <stdio.h>

#include "systemerror.h"

struct OutputFile {
  FILE *file;
  char *temppath;   // null when writing in place
  char *finalpath;  // what the temporary file replaces; null when writing in place
};

// Opens the output for `name`; a temporary file is named
// "<tempprefix>-<process>-<serial>.tmp". A read-only existing file is
// refused. Returns false, with *error filled in and nothing left to abandon,
// on failure.
bool openoutputfile(const char *name, OutputFile *out, const char *tempprefix, SystemError *error);

// How commitoutputfile ended.
enum CommitResult {
  kCommitted,           // the whole output is in place
  kCommitAbandoned,     // the writing had failed: the output was abandoned
  kCommitCloseFailed,   // closing failed (buffered bytes are written only then, so a
                        // full disk may show up only now): the output was abandoned
  kCommitReplaceFailed  // the temporary file could not take the name: it was removed
};

// Ends an output whose writing succeeded when `written` is true: closes the
// file and, when that worked too, puts the temporary file in place of the
// name it was opened for; otherwise removes the temporary file, so that an
// existing file keeps its old contents. *error holds the failure of the close
// or of the replacement. Releases the record.
CommitResult commitoutputfile(OutputFile *out, bool written, SystemError *error);

#endif
