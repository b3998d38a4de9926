// Files on Windows, by their UTF-8 names through the wide calls.
#include "platform.h"

#if TREVALK_OS_WINDOWS

#include <errno.h>
#include <io.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <windows.h>

#include "files-platform.h"
#include "files.h"
#include "widenames.h"

namespace {

FileFacts factsof(const struct _stat64 &info) {
  return {(info.st_mode & _S_IFMT) == _S_IFREG, info.st_size > 0 ? uint64_t(info.st_size) : 0, 0};
}

bool identityofhandle(HANDLE handle, FileIdentity *identity) {
  BY_HANDLE_FILE_INFORMATION info;
  if (handle == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(handle, &info)) return false;
  *identity = {info.dwVolumeSerialNumber, uint64_t(info.nFileIndexHigh) << 32 | info.nFileIndexLow};
  return true;
}

}  // namespace

FILE *openfile(const char *name, const char *mode) {
  wchar_t *widename = widened(name);
  wchar_t *widemode = widened(mode);
  FILE *file = nullptr;
  if (widename != nullptr && widemode != nullptr) file = _wfopen(widename, widemode);
  const int error = errno;
  free(widename);
  free(widemode);
  errno = error;
  return file;
}

bool removefile(const char *name) {
  wchar_t *wide = widened(name);
  const bool removed = wide != nullptr && _wremove(wide) == 0;
  const int error = errno;
  free(wide);
  errno = error;
  return removed;
}

bool filefacts(const char *name, FileFacts *facts) {
  wchar_t *wide = widened(name);
  struct _stat64 info;
  const bool known = wide != nullptr && _wstat64(wide, &info) == 0;
  const int error = errno;
  free(wide);
  errno = error;
  if (known) *facts = factsof(info);
  return known;
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
  // The longest path the wide calls take.
  const DWORD most = 32768;
  wchar_t *path = static_cast<wchar_t *>(malloc(most * sizeof(wchar_t)));
  if (path == nullptr) return nullptr;
  DWORD size = GetModuleFileNameW(nullptr, path, most);
  char *folder = nullptr;
  if (size > 0 && size < most) {
    while (size > 0 && path[size - 1] != L'\\' && path[size - 1] != L'/') size--;
    if (size > 1) size--;
    path[size] = L'\0';
    folder = narrowed(path);
  }
  free(path);
  return folder;
}

char *existingfullpath(const char *path) {
  FileFacts facts;
  if (!filefacts(path, &facts)) return nullptr;
  wchar_t *wide = widened(path);
  if (wide == nullptr) return nullptr;
  wchar_t *full = _wfullpath(nullptr, wide, 0);
  free(wide);
  if (full == nullptr) return nullptr;
  char *narrow = narrowed(full);
  free(full);
  return narrow;
}

bool isterminal(FILE *stream) { return _isatty(_fileno(stream)) != 0; }

bool samepathtext(const char *a, const char *b) {
  wchar_t *wa = widened(a), *wb = widened(b);
  const bool same =
      wa != nullptr && wb != nullptr && CompareStringOrdinal(wa, -1, wb, -1, TRUE) == CSTR_EQUAL;
  free(wa);
  free(wb);
  return same;
}

bool identityof(const char *name, FileIdentity *identity) {
  wchar_t *wide = widened(name);
  if (wide == nullptr) return false;
  HANDLE handle = CreateFileW(wide, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  free(wide);
  const bool known = identityofhandle(handle, identity);
  if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  return known;
}

bool standardoutputidentity(FileIdentity *identity) {
  return identityofhandle(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stdout))), identity);
}

#endif
