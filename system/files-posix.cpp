// Files on POSIX systems, and in the browser, whose file system in memory
// answers the same calls.
#include "platform.h"

#if TREVALK_OS_POSIX || TREVALK_OS_BROWSER

#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include "files-platform.h"
#include "files.h"

namespace {

FileFacts factsof(const struct stat &info) {
  return {S_ISREG(info.st_mode), info.st_size > 0 ? uint64_t(info.st_size) : 0,
          unsigned(info.st_mode & 07777)};
}

}  // namespace

FILE *openfile(const char *name, const char *mode) { return fopen(name, mode); }

bool removefile(const char *name) { return remove(name) == 0; }

bool filefacts(const char *name, FileFacts *facts) {
  struct stat info;
  if (stat(name, &info) != 0) return false;
  *facts = factsof(info);
  return true;
}

bool openfilefacts(FILE *file, FileFacts *facts) {
  struct stat info;
  if (fstat(fileno(file), &info) != 0) return false;
  *facts = factsof(info);
  return true;
}

bool seekforward(FILE *file, uint64_t distance) {
  return fseeko(file, off_t(distance), SEEK_CUR) == 0;
}

char *programfolder() {
  // Linux names the program's file here; elsewhere the folder is not known.
  char *path = realpath("/proc/self/exe", nullptr);
  if (path == nullptr) return nullptr;
  char *slash = strrchr(path, '/');
  if (slash != nullptr) *(slash == path ? slash + 1 : slash) = '\0';
  return path;
}

char *existingfullpath(const char *path) { return realpath(path, nullptr); }

bool samepathtext(const char *a, const char *b) { return strcmp(a, b) == 0; }

bool isterminal(FILE *stream) { return isatty(fileno(stream)) != 0; }

bool identityof(const char *name, FileIdentity *identity) {
  struct stat info;
  if (stat(name, &info) != 0) return false;
  *identity = {uint64_t(info.st_dev), uint64_t(info.st_ino)};
  return true;
}

bool standardoutputidentity(FileIdentity *identity) {
  struct stat info;
  if (fstat(STDOUT_FILENO, &info) != 0 || S_ISCHR(info.st_mode)) return false;
  *identity = {uint64_t(info.st_dev), uint64_t(info.st_ino)};
  return true;
}

#endif
