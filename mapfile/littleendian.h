// Little-endian words, the byte order of every number in a map file.
#ifndef TREVALK_LITTLEENDIAN_H
#define TREVALK_LITTLEENDIAN_H

#include <stdint.h>
#include <string.h>

inline uint16_t readle16(const uint8_t *bytes) {
  return static_cast<uint16_t>(bytes[0] | bytes[1] << 8);
}

inline void writele16(uint8_t *bytes, uint32_t value) {
  bytes[0] = static_cast<uint8_t>(value);
  bytes[1] = static_cast<uint8_t>(value >> 8);
}

inline uint32_t readle32(const uint8_t *bytes) {
  return uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 |
         uint32_t(bytes[3]) << 24;
}

inline void writele32(uint8_t *bytes, uint32_t value) {
  writele16(bytes, value);
  writele16(bytes + 2, value >> 16);
}

// Fills `length` bytes (an even number) with 16-bit little-endian copies of
// `word`.
inline void fillwords(uint8_t *bytes, uint64_t length, uint16_t word) {
  uint8_t pattern[64];
  for (size_t i = 0; i < sizeof pattern; i += 2) writele16(pattern + i, word);
  uint64_t done = 0;
  for (; done + sizeof pattern <= length; done += sizeof pattern)
    memcpy(bytes + done, pattern, sizeof pattern);
  memcpy(bytes + done, pattern, size_t(length - done));
}

#endif
