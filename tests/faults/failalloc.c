/*
 * Allocation failure on demand, preloaded into a program (LD_PRELOAD).
 *
 *   FAILALLOC_AT=n     the n-th call of malloc, calloc or realloc (counting
 *                      from 1, the program's start-up included) returns NULL
 *                      with errno ENOMEM; every other call goes through
 *   FAILALLOC_REPORT=f at exit, writes "calls failed" to file f: how many
 *                      calls there were, and 1 when the failure happened
 *   FAILALLOC_ONLY=p   counts and fails only in programs of that short name,
 *                      so that a launcher in between (valgrind) is spared
 *
 * Without FAILALLOC_AT nothing fails, which is how a run's calls are counted.
 * The real allocator is reached by glibc's own names for it, so nothing here
 * needs dlsym, which itself allocates.
 */
#define _GNU_SOURCE
#include <errno.h>
#include <fcntl.h>
#include <stddef.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

extern void *__libc_malloc(size_t size);
extern void *__libc_calloc(size_t count, size_t size);
extern void *__libc_realloc(void *block, size_t size);

static unsigned long calls;
static unsigned long failat;
static int configured;
static int failed;
static int spared;

/* getenv and this parse allocate nothing, so they are safe in here. */
static void configure(void) {
  const char *text = getenv("FAILALLOC_AT");
  const char *only = getenv("FAILALLOC_ONLY");
  configured = 1;
  if (only != NULL &&
      (program_invocation_short_name == NULL || strcmp(only, program_invocation_short_name) != 0)) {
    spared = 1;
    return;
  }
  if (text == NULL) return;
  for (; *text >= '0' && *text <= '9'; text++) failat = failat * 10 + (unsigned long)(*text - '0');
}

static int failnow(void) {
  if (!configured) configure();
  if (spared) return 0;
  if (++calls != failat) return 0;
  failed = 1;
  errno = ENOMEM;
  return 1;
}

void *malloc(size_t size) { return failnow() ? NULL : __libc_malloc(size); }

void *calloc(size_t count, size_t size) { return failnow() ? NULL : __libc_calloc(count, size); }

void *realloc(void *block, size_t size) { return failnow() ? NULL : __libc_realloc(block, size); }

static char *putnumber(char *at, unsigned long value) {
  char digits[24];
  int n = 0;
  do {
    digits[n++] = (char)('0' + value % 10);
    value /= 10;
  } while (value != 0);
  while (n > 0) *at++ = digits[--n];
  return at;
}

__attribute__((destructor)) static void report(void) {
  const char *path = getenv("FAILALLOC_REPORT");
  if (path == NULL || spared) return;
  char line[64];
  char *at = putnumber(line, calls);
  *at++ = ' ';
  at = putnumber(at, (unsigned long)failed);
  *at++ = '\n';
  int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC, 0666);
  if (fd < 0) return;
  ssize_t written = write(fd, line, (size_t)(at - line));
  (void)written;
  close(fd);
}
