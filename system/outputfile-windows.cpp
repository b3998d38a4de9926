// The safe output file on Windows, by UTF-8 names through the wide calls.
#include "platform.h"

#if TREVALK_OS_WINDOWS

#include <errno.h>
#include <fcntl.h>
#include <io.h>
#include <stdlib.h>
#include <windows.h>

#include "files.h"
#include "interrupt.h"
#include "outputfile-platform.h"
#include "widenames.h"

namespace {

// True when `name` opens as something other than a file on a disk: device
// names such as "NUL" have no directory entry to examine, yet open, and
// cannot be replaced.
bool isdevice(const wchar_t *name) {
  HANDLE handle =
      CreateFileW(name, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  const bool device = GetFileType(handle) != FILE_TYPE_DISK;
  CloseHandle(handle);
  return device;
}

}  // namespace

bool isseparator(char c) { return c == '/' || c == '\\' || c == ':'; }

unsigned long processid() { return static_cast<unsigned long>(GetCurrentProcessId()); }

bool planoutput(const char *name, OutputPlan *plan) {
  wchar_t *wide = widened(name);
  if (wide == nullptr) return false;
  FileFacts facts;
  bool allowed = true;
  if (filefacts(name, &facts)) {
    if (facts.regular) {
      // Replacing a read-only file would get past its protection.
      allowed = _waccess(wide, 2) == 0;
      plan->replace = true;
    }
  } else if (errno == ENOENT) {
    plan->replace = !isdevice(wide);
    errno = ENOENT;
  }
  const int error = errno;
  free(wide);
  errno = error;
  return allowed;
}

FILE *openexclusive(const char *path, const OutputPlan &) {
  wchar_t *wide = widened(path);
  if (wide == nullptr) return nullptr;
  // Guarded first: the console's handlers run in a thread of their own, and
  // a file of this process's name that exists already is a leftover.
  const bool guarded = guardfile(path);
  // Shared for deletion, so that an interrupt can remove the file while it
  // is still open.
  HANDLE handle =
      CreateFileW(wide, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    const int error = errnoof(GetLastError());
    free(wide);
    // A handler that took the path may still be using it, and the program is
    // ending: the caller must neither reuse nor free it.
    if (guarded && !releaseguard(path)) Sleep(INFINITE);
    errno = error;
    return nullptr;
  }
  if (guarded && !isguarded(path)) {
    // A handler ran between the guard and the creation, and found nothing to
    // remove: the file is this thread's to remove before the program ends.
    CloseHandle(handle);
    DeleteFileW(wide);
    Sleep(INFINITE);
  }
  FILE *file = nullptr;
  int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_BINARY);
  if (fd >= 0) file = _fdopen(fd, "wb");
  if (file == nullptr) {
    const int error = errno;
    if (fd >= 0)
      _close(fd);
    else
      CloseHandle(handle);
    if (!guarded || releaseguard(path)) DeleteFileW(wide);
    errno = error;
  }
  free(wide);
  return file;
}

bool movetemporary(const char *temppath, const char *finalpath, SystemError *error) {
  wchar_t *from = widened(temppath);
  wchar_t *to = widened(finalpath);
  bool moved = false;
  if (from == nullptr || to == nullptr)
    *error = lasterror();
  else if (MoveFileExW(from, to, MOVEFILE_REPLACE_EXISTING) != 0)
    moved = true;
  else
    *error = windowserror(GetLastError());
  free(from);
  free(to);
  return moved;
}

#endif
