// The safe output file on POSIX systems, and in the browser, whose file
// system in memory answers the same calls.
#include "platform.h"

#if TREVALK_OS_POSIX || TREVALK_OS_BROWSER

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include "files.h"
#include "interrupt.h"
#include "outputfile-platform.h"

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
    unlink(path);
    releaseguard(path);
    errno = error;
  }
  return file;
}

bool movetemporary(const char *temppath, const char *finalpath, SystemError *error) {
  if (rename(temppath, finalpath) == 0) return true;
  *error = lasterror();
  return false;
}

#endif
