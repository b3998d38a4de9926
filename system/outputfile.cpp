#include "outputfile.h"

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "files.h"
#include "interrupt.h"
#include "report.h"

namespace {

// How the output for a name is to be opened, as the platform part decides.
struct OutputPlan {
  bool replace;   // through a temporary file beside the target
  bool keepmode;  // give the temporary file the target's permissions
  unsigned mode;
  char *finalpath;  // the file a link leads to, when the name is a link
};

}  // namespace

// The platform's part, one block per platform:
//   isseparator     true for a character that ends a folder in a path
//   processid       this process's number, for temporary names
//   planoutput      whether `name` is replaced or written in place; sets
//                   errno and returns false when it must not be written
//   openexclusive   creates a new file of that name, failing with EEXIST when
//                   one exists, and guards it against interrupts
//                   (interrupt.h); sets errno and returns null on failure
//   movetemporary   puts the temporary file in place of the final one;
//                   reports a failure under `name`
#ifdef _WIN32

#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <sys/stat.h>
#include <windows.h>

namespace {

bool isseparator(char c) { return c == '/' || c == '\\' || c == ':'; }

unsigned long processid() { return static_cast<unsigned long>(_getpid()); }

bool planoutput(const char *name, OutputPlan *plan) {
  FileFacts facts;
  if (filefacts(name, &facts)) {
    if (facts.regular) {
      // Replacing a read-only file would get past its protection.
      if (_access(name, 2) != 0) return false;
      plan->replace = true;
    }
  } else if (errno == ENOENT) {
    // Device names such as "NUL" have no directory entry to stat, yet open;
    // they cannot be replaced.
    HANDLE handle = CreateFileA(name, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
      plan->replace = true;
    } else {
      plan->replace = GetFileType(handle) == FILE_TYPE_DISK;
      CloseHandle(handle);
    }
    errno = ENOENT;
  }
  return true;
}

int errnoof(DWORD code) {
  switch (code) {
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return EEXIST;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
      return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
      return EACCES;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      return ENOMEM;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    default:
      return EIO;
  }
}

FILE *openexclusive(const char *path, const OutputPlan &) {
  // Guarded first: the console's handlers run in a thread of their own, and
  // a file of this process's name that exists already is a leftover.
  guardfile(path);
  // Shared for deletion, so that an interrupt can remove the file while it
  // is still open.
  HANDLE handle =
      CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    int error = errnoof(GetLastError());
    // A handler that took the path may still be using it, and the program is
    // ending: the caller must neither reuse nor free it.
    if (!releaseguard()) Sleep(INFINITE);
    errno = error;
    return nullptr;
  }
  if (!isguarded(path)) {
    // A handler ran between the guard and the creation, and found nothing to
    // remove: the file is this thread's to remove before the program ends.
    CloseHandle(handle);
    DeleteFileA(path);
    Sleep(INFINITE);
  }
  FILE *file = nullptr;
  int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_BINARY);
  if (fd >= 0) file = _fdopen(fd, "wb");
  if (file == nullptr) {
    int error = errno;
    if (fd >= 0)
      _close(fd);
    else
      CloseHandle(handle);
    if (releaseguard()) remove(path);
    errno = error;
  }
  return file;
}

bool movetemporary(const char *temppath, const char *finalpath, const char *name) {
  if (MoveFileExA(temppath, finalpath, MOVEFILE_REPLACE_EXISTING) != 0) return true;
  char text[256];
  DWORD code = GetLastError();
  DWORD size = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                              code, 0, text, sizeof text, nullptr);
  while (size > 0 && (text[size - 1] == '\n' || text[size - 1] == '\r' || text[size - 1] == ' '))
    size--;
  if (size == 0)
    snprintf(text, sizeof text, "error %lu", static_cast<unsigned long>(code));
  else
    text[size] = '\0';
  syserrortext(name, text);
  return false;
}

}  // namespace

#else  // POSIX

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool isseparator(char c) { return c == '/'; }

unsigned long processid() { return static_cast<unsigned long>(getpid()); }

bool planoutput(const char *name, OutputPlan *plan) {
  FileFacts facts;
  if (filefacts(name, &facts)) {
    if (facts.regular) {
      // Replacing a read-only file would get past its protection.
      if (access(name, W_OK) != 0) return false;
      plan->replace = true;
      plan->keepmode = true;
      plan->mode = facts.mode;
      struct stat entry;
      if (lstat(name, &entry) == 0 && S_ISLNK(entry.st_mode)) {
        // Replace the file the link leads to, not the link.
        plan->finalpath = realpath(name, nullptr);
        if (plan->finalpath == nullptr) return false;
      }
    }
  } else if (errno == ENOENT) {
    // A dangling link would be replaced by a file; write through it.
    struct stat entry;
    plan->replace = !(lstat(name, &entry) == 0 && S_ISLNK(entry.st_mode));
  }
  return true;
}

FILE *openexclusive(const char *path, const OutputPlan &plan) {
  // Interrupts wait until the new file is guarded, so none can come between
  // its creation and its guard.
  sigset_t interrupts, previous;
  blockinterrupts(&interrupts);
  sigprocmask(SIG_BLOCK, &interrupts, &previous);
  int fd = open(path, O_WRONLY | O_CREAT | O_EXCL, 0666);
  int error = errno;
  if (fd >= 0) guardfile(path);
  sigprocmask(SIG_SETMASK, &previous, nullptr);
  if (fd < 0) {
    errno = error;
    return nullptr;
  }
  if (plan.keepmode) (void)fchmod(fd, mode_t(plan.mode));
  FILE *file = fdopen(fd, "wb");
  if (file == nullptr) {
    error = errno;
    close(fd);
    remove(path);
    releaseguard();
    errno = error;
  }
  return file;
}

bool movetemporary(const char *temppath, const char *finalpath, const char *name) {
  if (rename(temppath, finalpath) == 0) return true;
  syserror(name);
  return false;
}

}  // namespace

#endif

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
  if (out->temppath != nullptr && !releaseguard()) out->temppath = nullptr;
  free(out->temppath);
  free(out->finalpath);
  out->temppath = nullptr;
  out->finalpath = nullptr;
}

void abandonoutputfile(OutputFile *out) {
  int error = errno;
  if (out->file != nullptr) fclose(out->file);
  out->file = nullptr;
  if (out->temppath != nullptr) remove(out->temppath);
  releaseoutputfile(out);
  errno = error;
}

}  // namespace

// Anything the name cannot be checked for is left to the open itself, whose
// error then names the real problem.
bool openoutputfile(const char *name, OutputFile *out, const char *tempprefix) {
  out->file = nullptr;
  out->temppath = nullptr;
  out->finalpath = nullptr;
  OutputPlan plan = {false, false, 0, nullptr};
  if (name[0] != '\0' && !planoutput(name, &plan)) return false;
  if (!plan.replace) {
    out->file = fopen(name, "wb");
    return out->file != nullptr;
  }
  out->finalpath = plan.finalpath != nullptr ? plan.finalpath : copystring(name);
  if (out->finalpath == nullptr) {
    errno = ENOMEM;
    return false;
  }
  out->file = createtemporary(out->finalpath, tempprefix, plan, &out->temppath);
  if (out->file == nullptr) {
    int error = errno;
    free(out->finalpath);
    out->finalpath = nullptr;
    errno = error;
    return false;
  }
  return true;
}

bool commitoutputfile(OutputFile *out, bool written, const char *name, const char *closecontext) {
  FILE *file = out->file;
  out->file = nullptr;
  // Buffered bytes reach the file only here, so a full disk may show up only
  // now.
  if (fclose(file) != 0) {
    if (closecontext != nullptr)
      syserror(closecontext);
    else if (written)
      syserror(name);
    written = false;
  }
  if (!written) {
    abandonoutputfile(out);
    return false;
  }
  if (out->temppath == nullptr) return true;
  bool moved = movetemporary(out->temppath, out->finalpath, name);
  if (!moved) remove(out->temppath);
  releaseoutputfile(out);
  return moved;
}
