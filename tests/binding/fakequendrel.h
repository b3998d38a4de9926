/* What the stand-in maze libraries answer, shared with the tests. */
#ifndef QNDFAKE_H
#define QNDFAKE_H

#define QNDFAKE_GETPOS_ANSWER 0x80
#define QNDFAKE_SETPOS_ANSWER 0x41

#endif
