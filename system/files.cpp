#include "files.h"

// The platform's part, one block per platform:
//   factsof                 FileFacts from the platform's own file information
//   filefacts, openfilefacts, seekforward
//   Identity, identityof    what tells one file from another, by name
//   standardoutputidentity  the same for the file standard output is open on
// The browser's build has a POSIX file system in memory and takes the POSIX
// block.
#ifdef _WIN32

#include <io.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <windows.h>

namespace {

FileFacts factsof(const struct _stat64 &info) {
  return {(info.st_mode & _S_IFMT) == _S_IFREG, info.st_size > 0 ? uint64_t(info.st_size) : 0, 0};
}

struct Identity {
  DWORD volume, high, low;
};

bool identityof(HANDLE handle, Identity *identity) {
  BY_HANDLE_FILE_INFORMATION info;
  if (handle == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(handle, &info)) return false;
  *identity = {info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
  return true;
}

bool identityof(const char *name, Identity *identity) {
  HANDLE handle = CreateFileA(name, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  bool known = identityof(handle, identity);
  if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  return known;
}

bool standardoutputidentity(Identity *identity) {
  return identityof(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stdout))), identity);
}

bool sameidentity(const Identity &a, const Identity &b) {
  return a.volume == b.volume && a.high == b.high && a.low == b.low;
}

}  // namespace

bool filefacts(const char *name, FileFacts *facts) {
  struct _stat64 info;
  if (_stat64(name, &info) != 0) return false;
  *facts = factsof(info);
  return true;
}

bool openfilefacts(FILE *file, FileFacts *facts) {
  struct _stat64 info;
  if (_fstat64(_fileno(file), &info) != 0) return false;
  *facts = factsof(info);
  return true;
}

bool seekforward(FILE *file, uint64_t distance) {
  return _fseeki64(file, int64_t(distance), SEEK_CUR) == 0;
}

char *programfolder() {
  char path[MAX_PATH];
  DWORD size = GetModuleFileNameA(nullptr, path, sizeof path);
  if (size == 0 || size >= sizeof path) return nullptr;
  while (size > 0 && path[size - 1] != '\\' && path[size - 1] != '/') size--;
  if (size > 1) size--;
  path[size] = '\0';
  return _strdup(path);
}

char *existingfullpath(const char *path) {
  FileFacts facts;
  if (!filefacts(path, &facts)) return nullptr;
  return _fullpath(nullptr, path, 0);
}

#else  // POSIX

#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

FileFacts factsof(const struct stat &info) {
  return {S_ISREG(info.st_mode), info.st_size > 0 ? uint64_t(info.st_size) : 0,
          unsigned(info.st_mode & 07777)};
}

struct Identity {
  dev_t device;
  ino_t inode;
};

bool identityof(const char *name, Identity *identity) {
  struct stat info;
  if (stat(name, &info) != 0) return false;
  *identity = {info.st_dev, info.st_ino};
  return true;
}

bool standardoutputidentity(Identity *identity) {
  struct stat info;
  // A device such as /dev/null or a terminal takes text and a map alike;
  // only a file or a pipe would carry both mixed into one.
  if (fstat(STDOUT_FILENO, &info) != 0 || S_ISCHR(info.st_mode)) return false;
  *identity = {info.st_dev, info.st_ino};
  return true;
}

bool sameidentity(const Identity &a, const Identity &b) {
  return a.device == b.device && a.inode == b.inode;
}

}  // namespace

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

#endif

bool isregularfile(const char *name) {
  FileFacts facts;
  return filefacts(name, &facts) && facts.regular;
}

bool samefile(const char *a, const char *b) {
  Identity first, second;
  return identityof(a, &first) && identityof(b, &second) && sameidentity(first, second);
}

bool isstandardoutput(const char *name) {
  Identity file, output;
  return identityof(name, &file) && standardoutputidentity(&output) && sameidentity(file, output);
}
