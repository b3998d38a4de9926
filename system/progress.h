// How far a long task has come, for a host that shows it: the web page's
// worker turns it into its progress bar. The programs print nothing for it,
// and outside the browser it does nothing at all.
#ifndef TREVALK_PROGRESS_H
#define TREVALK_PROGRESS_H

#include <stdint.h>

#include "platform.h"

#if TREVALK_OS_BROWSER
// Tells the page that `done` of `total` steps are finished (progress.cpp).
void reportprogress(uint32_t done, uint32_t total);
#else
inline void reportprogress(uint32_t, uint32_t) {}
#endif

#endif
