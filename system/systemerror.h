// What the system said when a call failed, kept so that the layer that
// failed returns it and the program prints it (report.h) in its own words.
#ifndef TREVALK_SYSTEMERROR_H
#define TREVALK_SYSTEMERROR_H

struct SystemError {
  int number;      // errno's value; 0 when the text alone tells the failure
  char text[160];  // the failure in words where no errno value tells it (a
                   // short read, a Windows message); empty otherwise
};

// A record that says nothing failed.
SystemError noerror();

// The failure errno names now.
SystemError lasterror();

// A failure told in words, for one the system gives no error number for.
SystemError errortext(const char *text);

// True when the record holds a failure.
bool failed(const SystemError &error);

// The failure in words: the text, or the system's text for the number.
const char *errordescription(const SystemError &error);

#endif
