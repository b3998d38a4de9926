// The entry point on Windows. The narrow arguments that main would get are in
// the console's code page, which turns any other script into question marks;
// the wide ones (wmain, linked with -municode) hold every character, and are
// handed on in UTF-8, as every name inside the programs is.
#include "platform.h"
#include "programmain.h"

#if TREVALK_OS_WINDOWS

#include <stdlib.h>
#include <windows.h>

#include "report.h"
#include "widenames.h"

namespace {

// The console's code page as the program found it, put back at exit: the
// exit handler that restores it takes no argument.
UINT consolecodepage = 0;

void restoreconsole() { SetConsoleOutputCP(consolecodepage); }

// Ctrl-C, Ctrl-Break and closing the console end the program without its
// exit handlers; the console gets its code page back all the same, and the
// next handler (interrupt.h) goes on.
BOOL WINAPI restoreonevent(DWORD) {
  restoreconsole();
  return FALSE;
}

}  // namespace

int wmain(int argc, wchar_t **wideargv) {
  char **argv = static_cast<char **>(calloc(size_t(argc) + 1, sizeof(char *)));
  if (argv == nullptr) {
    errormessage("Out of memory.\n");
    return 1;
  }
  for (int i = 0; i < argc; ++i) {
    argv[i] = narrowed(wideargv[i]);
    if (argv[i] == nullptr) {
      errormessage("Out of memory.\n");
      return 1;
    }
  }
  // A console shows the programs' UTF-8 text as it is meant only in its
  // UTF-8 code page; the one it had is put back when the program ends.
  consolecodepage = GetConsoleOutputCP();
  if (consolecodepage != 0 && consolecodepage != CP_UTF8 && SetConsoleOutputCP(CP_UTF8)) {
    atexit(restoreconsole);
    SetConsoleCtrlHandler(restoreonevent, TRUE);
  }
  return programmain(argc, argv);
}

#endif
