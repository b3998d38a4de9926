/*
 * An output file that a failed write can neither leave truncated nor harm
 * when it already exists. A regular file, or a name that does not exist yet,
 * is written to an exclusively created temporary file in the same folder,
 * which takes the name only once everything was written and closed; devices
 * and pipes cannot be replaced, so they are written in place.
 */
#ifndef TREVALK_OUTPUTFILE_H
#define TREVALK_OUTPUTFILE_H

#include <cstdio>

struct OutputFile {
    FILE *file;
    char *temppath;    // NULL when writing in place
    char *finalpath;   // what the temporary file replaces; NULL when writing in place
};

/*
 * openoutputfile: opens the output for `name`; a temporary file is named
 * "<tempprefix>-<process>-<serial>.tmp". A read-only existing file is
 * refused. Reports nothing; sets errno and returns false on failure, with
 * nothing left to abandon.
 */
bool openoutputfile(const char *name, OutputFile *out, const char *tempprefix);

/*
 * closeoutputfile: closes the file, which is where buffered bytes are
 * written. Reports nothing; sets errno and returns false on failure.
 */
bool closeoutputfile(OutputFile *out);

/*
 * finishoutputfile: after a successful close, puts the temporary file in
 * place of the name. A failure is reported under `name` and removes the
 * temporary file. Releases the record either way.
 */
bool finishoutputfile(OutputFile *out, const char *name);

/*
 * abandonoutputfile: closes the file if still open and removes the
 * temporary file, so an existing file keeps its old contents. Releases the
 * record; errno is kept.
 */
void abandonoutputfile(OutputFile *out);

#endif
