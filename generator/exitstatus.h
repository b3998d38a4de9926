// The program's exit statuses.
#ifndef TREVALK_EXITSTATUS_H
#define TREVALK_EXITSTATUS_H

enum ExitStatus {
  kExitMapWritten = 0,  // the map was written completely
  kExitFailure = 1      // anything else: nothing usable was written
};

#endif
