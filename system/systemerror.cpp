#include "systemerror.h"

#include <errno.h>
#include <string.h>

SystemError noerror() {
  SystemError error;
  error.number = 0;
  error.text[0] = '\0';
  return error;
}

SystemError lasterror() {
  SystemError error = noerror();
  // A call that failed without saying why still failed.
  error.number = errno != 0 ? errno : EIO;
  return error;
}

SystemError errortext(const char *text) {
  SystemError error = noerror();
  strncat(error.text, text, sizeof error.text - 1);
  return error;
}

bool failed(const SystemError &error) { return error.number != 0 || error.text[0] != '\0'; }

const char *errordescription(const SystemError &error) {
  return error.text[0] != '\0' ? error.text : strerror(error.number);
}
