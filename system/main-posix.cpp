// The entry point on POSIX systems and in the browser: the arguments come as
// the system's bytes, UTF-8 on any system set up for names in every script.
#include "platform.h"
#include "programmain.h"

#if TREVALK_OS_POSIX || TREVALK_OS_BROWSER

int main(int argc, char **argv) { return programmain(argc, argv); }

#endif
