// The parts of the safe output file that are the same everywhere; each
// platform's calls are in outputfile-posix.cpp and outputfile-windows.cpp.
#include "outputfile.h"

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "files.h"
#include "interrupt.h"
#include "outputfile-platform.h"

namespace {

char *copystring(const char *text) {
  size_t size = strlen(text) + 1;
  char *copy = static_cast<char *>(malloc(size));
  if (copy != nullptr) memcpy(copy, text, size);
  return copy;
}

// A new, exclusively created file beside `path`, open for writing; its name
// is stored in *temppath. Sets errno and returns null on failure.
FILE *createtemporary(const char *path, const char *prefix, const OutputPlan &plan,
                      char **temppath) {
  // Counts the temporary names this process has tried, so that two of its
  // own never meet, whichever output they are for.
  static unsigned serial = 0;
  size_t folder = strlen(path);
  while (folder > 0 && !isseparator(path[folder - 1])) folder--;
  // Room for the two numbers at their longest, the dashes and ".tmp".
  size_t size = folder + strlen(prefix) + 64;
  char *name = static_cast<char *>(malloc(size));
  if (name == nullptr) {
    errno = ENOMEM;
    return nullptr;
  }
  for (int attempt = 0; attempt < 1000; attempt++) {
    memcpy(name, path, folder);
    snprintf(name + folder, size - folder, "%s-%lu-%u.tmp", prefix, processid(), serial++);
    FILE *file = openexclusive(name, plan);
    if (file != nullptr) {
      *temppath = name;
      return file;
    }
    if (errno != EEXIST) break;
  }
  int error = errno;
  free(name);
  errno = error;
  return nullptr;
}

void releaseoutputfile(OutputFile *out) {
  // A path an interrupt handler took is the handler's to the end.
  if (out->temppath != nullptr && !releaseguard(out->temppath)) out->temppath = nullptr;
  free(out->temppath);
  free(out->finalpath);
  out->temppath = nullptr;
  out->finalpath = nullptr;
}

void abandonoutputfile(OutputFile *out) {
  if (out->temppath != nullptr) removefile(out->temppath);
  releaseoutputfile(out);
}

}  // namespace

// Anything the name cannot be checked for is left to the open itself, whose
// error then names the real problem.
bool openoutputfile(const char *name, OutputFile *out, const char *tempprefix, SystemError *error) {
  out->file = nullptr;
  out->temppath = nullptr;
  out->finalpath = nullptr;
  OutputPlan plan = {false, false, 0, nullptr};
  if (name[0] != '\0' && !planoutput(name, &plan)) {
    *error = lasterror();
    return false;
  }
  if (!plan.replace) {
    out->file = openfile(name, "wb");
    if (out->file == nullptr) *error = lasterror();
    return out->file != nullptr;
  }
  out->finalpath = plan.finalpath != nullptr ? plan.finalpath : copystring(name);
  if (out->finalpath == nullptr) {
    errno = ENOMEM;
    *error = lasterror();
    return false;
  }
  out->file = createtemporary(out->finalpath, tempprefix, plan, &out->temppath);
  if (out->file == nullptr) {
    *error = lasterror();
    free(out->finalpath);
    out->finalpath = nullptr;
    return false;
  }
  return true;
}

CommitResult commitoutputfile(OutputFile *out, bool written, SystemError *error) {
  FILE *file = out->file;
  out->file = nullptr;
  if (fclose(file) != 0) {
    *error = lasterror();
    abandonoutputfile(out);
    return kCommitCloseFailed;
  }
  if (!written) {
    abandonoutputfile(out);
    return kCommitAbandoned;
  }
  if (out->temppath == nullptr) return kCommitted;
  const bool moved = movetemporary(out->temppath, out->finalpath, error);
  if (!moved) removefile(out->temppath);
  releaseoutputfile(out);
  return moved ? kCommitted : kCommitReplaceFailed;
}
