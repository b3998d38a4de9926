#include "outputfile.h"

#include "syserror.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

char *copystring(const char *text)
{
    size_t size = std::strlen(text) + 1;
    char *copy = static_cast<char *>(std::malloc(size));
    if (copy != nullptr)
        std::memcpy(copy, text, size);
    return copy;
}

bool isseparator(char c)
{
#ifdef _WIN32
    return c == '/' || c == '\\' || c == ':';
#else
    return c == '/';
#endif
}

// A new, exclusively created file beside `path`, open for writing; its name
// is stored in *temppath. Sets errno and returns NULL on failure.
FILE *createtemporary(const char *path, const char *prefix, bool keepmode, unsigned mode,
                      char **temppath)
{
    static unsigned serial = 0;
    size_t folder = std::strlen(path);
    while (folder > 0 && !isseparator(path[folder - 1]))
        folder--;
#ifdef _WIN32
    unsigned long process = (unsigned long)_getpid();
#else
    unsigned long process = (unsigned long)getpid();
#endif
    // Room for the two numbers at their longest, the dashes and ".tmp".
    size_t size = folder + std::strlen(prefix) + 64;
    char *name = static_cast<char *>(std::malloc(size));
    if (name == nullptr) {
        errno = ENOMEM;
        return nullptr;
    }
    for (int attempt = 0; attempt < 1000; attempt++) {
        std::memcpy(name, path, folder);
        std::snprintf(name + folder, size - folder, "%s-%lu-%u.tmp", prefix, process, serial++);
#ifdef _WIN32
        int fd = _open(name, _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
        (void)keepmode;
        (void)mode;
#else
        int fd = open(name, O_WRONLY | O_CREAT | O_EXCL, 0666);
        if (fd >= 0 && keepmode)
            (void)fchmod(fd, mode_t(mode));
#endif
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            break;
        }
#ifdef _WIN32
        FILE *file = _fdopen(fd, "wb");
#else
        FILE *file = fdopen(fd, "wb");
#endif
        if (file == nullptr) {
            int error = errno;
#ifdef _WIN32
            _close(fd);
#else
            close(fd);
#endif
            std::remove(name);
            errno = error;
            break;
        }
        *temppath = name;
        return file;
    }
    int error = errno;
    std::free(name);
    errno = error;
    return nullptr;
}

void releaseoutputfile(OutputFile *out)
{
    std::free(out->temppath);
    std::free(out->finalpath);
    out->temppath = nullptr;
    out->finalpath = nullptr;
}

}  // namespace

// Anything the name cannot be checked for is left to the open itself, whose
// error then names the real problem.
bool openoutputfile(const char *name, OutputFile *out, const char *tempprefix)
{
    out->file = nullptr;
    out->temppath = nullptr;
    out->finalpath = nullptr;
    bool replace = false;
    bool keepmode = false;
    unsigned mode = 0;
    if (name[0] != '\0') {
#ifdef _WIN32
        struct _stat64 info;
        if (_stat64(name, &info) == 0) {
            if ((info.st_mode & _S_IFMT) == _S_IFREG) {
                // Replacing a read-only file would get past its protection.
                if (_access(name, 2) != 0)
                    return false;
                replace = true;
            }
        } else if (errno == ENOENT) {
            // Device names such as "NUL" have no directory entry to stat,
            // yet open; they cannot be replaced.
            HANDLE handle = CreateFileA(name, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, 0, nullptr);
            if (handle == INVALID_HANDLE_VALUE) {
                replace = true;
            } else {
                replace = GetFileType(handle) == FILE_TYPE_DISK;
                CloseHandle(handle);
            }
            errno = ENOENT;
        }
#else
        struct stat info;
        if (stat(name, &info) == 0) {
            if (S_ISREG(info.st_mode)) {
                // Replacing a read-only file would get past its protection.
                if (access(name, W_OK) != 0)
                    return false;
                replace = true;
                keepmode = true;
                mode = unsigned(info.st_mode & 07777);
                struct stat entry;
                if (lstat(name, &entry) == 0 && S_ISLNK(entry.st_mode)) {
                    // Replace the file the link leads to, not the link.
                    out->finalpath = realpath(name, nullptr);
                    if (out->finalpath == nullptr)
                        return false;
                }
            }
        } else if (errno == ENOENT) {
            // A dangling link would be replaced by a file; write through it.
            struct stat entry;
            replace = !(lstat(name, &entry) == 0 && S_ISLNK(entry.st_mode));
        }
#endif
    }
    if (!replace) {
        out->file = std::fopen(name, "wb");
        return out->file != nullptr;
    }
    if (out->finalpath == nullptr) {
        out->finalpath = copystring(name);
        if (out->finalpath == nullptr) {
            errno = ENOMEM;
            return false;
        }
    }
    out->file = createtemporary(out->finalpath, tempprefix, keepmode, mode, &out->temppath);
    if (out->file == nullptr) {
        int error = errno;
        std::free(out->finalpath);
        out->finalpath = nullptr;
        errno = error;
        return false;
    }
    return true;
}

bool closeoutputfile(OutputFile *out)
{
    FILE *file = out->file;
    out->file = nullptr;
    return std::fclose(file) == 0;
}

bool finishoutputfile(OutputFile *out, const char *name)
{
    if (out->temppath == nullptr)
        return true;
#ifdef _WIN32
    bool moved = MoveFileExA(out->temppath, out->finalpath, MOVEFILE_REPLACE_EXISTING) != 0;
    if (!moved) {
        char text[256];
        DWORD code = GetLastError();
        DWORD size = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                    nullptr, code, 0, text, sizeof text, nullptr);
        while (size > 0 &&
               (text[size - 1] == '\n' || text[size - 1] == '\r' || text[size - 1] == ' '))
            size--;
        if (size == 0)
            std::snprintf(text, sizeof text, "error %lu", (unsigned long)code);
        else
            text[size] = '\0';
        syserrortext(name, text);
    }
#else
    bool moved = std::rename(out->temppath, out->finalpath) == 0;
    if (!moved)
        syserror(name);
#endif
    if (!moved)
        std::remove(out->temppath);
    releaseoutputfile(out);
    return moved;
}

void abandonoutputfile(OutputFile *out)
{
    int error = errno;
    if (out->file != nullptr)
        std::fclose(out->file);
    out->file = nullptr;
    if (out->temppath != nullptr)
        std::remove(out->temppath);
    releaseoutputfile(out);
    errno = error;
}
