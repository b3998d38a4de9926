#include "widenames.h"

#if TREVALK_OS_WINDOWS

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

wchar_t *widened(const char *text) {
  const int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, -1, nullptr, 0);
  if (length <= 0) {
    errno = EINVAL;
    return nullptr;
  }
  wchar_t *wide = static_cast<wchar_t *>(malloc(size_t(length) * sizeof(wchar_t)));
  if (wide == nullptr) {
    errno = ENOMEM;
    return nullptr;
  }
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, -1, wide, length);
  return wide;
}

char *narrowed(const wchar_t *text) {
  const int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (length <= 0) return nullptr;
  char *narrow = static_cast<char *>(malloc(size_t(length)));
  if (narrow != nullptr)
    WideCharToMultiByte(CP_UTF8, 0, text, -1, narrow, length, nullptr, nullptr);
  return narrow;
}

int errnoof(DWORD code) {
  switch (code) {
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return EEXIST;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
      return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
      return EACCES;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      return ENOMEM;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    default:
      return EIO;
  }
}

SystemError windowserror(DWORD code) {
  SystemError error = noerror();
  error.number = errnoof(code);
  wchar_t text[256];
  DWORD size = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                              code, 0, text, sizeof text / sizeof text[0], nullptr);
  while (size > 0 && (text[size - 1] == L'\n' || text[size - 1] == L'\r' || text[size - 1] == L' '))
    size--;
  text[size] = L'\0';
  char *words = size > 0 ? narrowed(text) : nullptr;
  if (words != nullptr) {
    // Cut a long message before a whole character, never inside one.
    size_t length = strlen(words);
    if (length > sizeof error.text - 1) {
      length = sizeof error.text - 1;
      while (length > 0 && (words[length] & 0xC0) == 0x80) --length;
    }
    memcpy(error.text, words, length);
    error.text[length] = '\0';
  } else
    snprintf(error.text, sizeof error.text, "error %lu", static_cast<unsigned long>(code));
  free(words);
  return error;
}

#endif
