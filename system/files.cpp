// The parts of files.h that are the same everywhere.
#include "files.h"

#include <stdlib.h>
#include <string.h>

#include "files-platform.h"
#include "outputfile-platform.h"

namespace {

bool sameidentity(const FileIdentity &a, const FileIdentity &b) {
  return a.volume == b.volume && a.index == b.index;
}

// The full path a name leads to, links followed where the platform follows
// them; for a name that does not exist yet, its folder's full path and its
// own last part. Null when even the folder cannot be found (or memory runs
// out). Release it with free().
char *destinationof(const char *name) {
  char *full = existingfullpath(name);
  if (full != nullptr) return full;
  size_t split = strlen(name);
  while (split > 0 && !isseparator(name[split - 1])) split--;
  char *folder = static_cast<char *>(malloc(split + 2));
  if (folder == nullptr) return nullptr;
  // The folder without the separator that ends it ("./" is "."), which not
  // every platform resolves; a root ("/", "C:\") keeps it.
  size_t end = split;
  if (end > 1 && name[end - 2] != ':' && !isseparator(name[end - 2])) end--;
  memcpy(folder, name, end);
  folder[end] = '\0';
  if (split == 0) strcpy(folder, ".");
  char *place = existingfullpath(folder);
  free(folder);
  if (place == nullptr) return nullptr;
  // A root resolves with its separator at the end: one separator joins the
  // folder and the name.
  size_t length = strlen(place);
  while (length > 1 && isseparator(place[length - 1])) length--;
  const size_t rest = strlen(name + split);
  char *joined = static_cast<char *>(malloc(length + rest + 2));
  if (joined != nullptr) {
    memcpy(joined, place, length);
    joined[length] = '/';
    memcpy(joined + length + 1, name + split, rest + 1);
  }
  free(place);
  return joined;
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

bool samedestination(const char *a, const char *b) {
  if (strcmp(a, b) == 0 || samefile(a, b)) return true;
  char *first = destinationof(a), *second = destinationof(b);
  const bool same = first != nullptr && second != nullptr && samepathtext(first, second);
  free(first);
  free(second);
  return same;
}

bool isstandardoutput(const char *name) {
  FileIdentity file, output;
  return identityof(name, &file) && standardoutputidentity(&output) && sameidentity(file, output);
}
