// The exit statuses of both programs.
#ifndef TREVALK_EXITSTATUS_H
#define TREVALK_EXITSTATUS_H

enum ExitStatus {
  kExitWritten = 0,  // the output (a map, an image) was written completely
  kExitFailure = 1   // anything else: nothing usable was written
};

#endif
