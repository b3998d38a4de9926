// The parts of files.h that are the same everywhere.
#include "files.h"

#include "files-platform.h"

namespace {

bool sameidentity(const FileIdentity &a, const FileIdentity &b) {
  return a.volume == b.volume && a.index == b.index;
}

}  // namespace

bool isregularfile(const char *name) {
  FileFacts facts;
  return filefacts(name, &facts) && facts.regular;
}

bool samefile(const char *a, const char *b) {
  FileIdentity first, second;
  return identityof(a, &first) && identityof(b, &second) && sameidentity(first, second);
}

bool isstandardoutput(const char *name) {
  FileIdentity file, output;
  return identityof(name, &file) && standardoutputidentity(&output) && sameidentity(file, output);
}
