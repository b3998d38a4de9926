#include "sectionfile.h"

#include "outputfile.h"
#include "syserror.h"

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <sys/stat.h>

SectionList sectionlist = {nullptr, nullptr};
Section *cTile = nullptr;
Section *cIsom = nullptr;
Section *cEra = nullptr;
Section *cDim = nullptr;
Section *cMask = nullptr;
Section *cMtxm = nullptr;

namespace {

// Input whose size is unknown (a pipe, a device) gets its data block in steps
// of at least this size, so a corrupt length costs memory only for the bytes
// that really come.
const size_t GROWTH_STEP = size_t(1) << 20;

// Output buffer: data blocks are written straight from memory, so this only
// gathers headers and small sections into fewer writes.
char outputbuffer[size_t(1) << 16];

// Shared by every worddump line.
char bitstring[17];

uint32_t getle32(const uint8_t *bytes)
{
    return uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 |
           uint32_t(bytes[3]) << 24;
}

void putle32(uint8_t *bytes, uint32_t value)
{
    bytes[0] = uint8_t(value);
    bytes[1] = uint8_t(value >> 8);
    bytes[2] = uint8_t(value >> 16);
    bytes[3] = uint8_t(value >> 24);
}

// Word number `which` of the first `count` bytes of data, as if zero bytes
// followed them.
uint16_t wordat(const uint8_t *data, size_t count, size_t which)
{
    size_t low = which * 2;
    unsigned value = 0;
    if (low < count)
        value = data[low];
    if (low + 1 < count)
        value |= unsigned(data[low + 1]) << 8;
    return uint16_t(value);
}

void printword(long long index, uint16_t value)
{
    for (int k = 0; k < 16; k++)
        bitstring[k] = (value >> (15 - k)) & 1 ? '1' : '0';
    bitstring[16] = '\0';
    std::printf("%5lld %s %4X %5u\n", index, bitstring, unsigned(value), unsigned(value));
}

// True for a regular file, with its size; pipes and devices have no size to
// trust.
bool regularfilesize(FILE *file, uint64_t *size)
{
#ifdef _WIN32
    struct _stat64 info;
    if (_fstat64(_fileno(file), &info) != 0 || (info.st_mode & _S_IFMT) != _S_IFREG)
        return false;
#else
    struct stat info;
    if (fstat(fileno(file), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
#endif
    *size = info.st_size > 0 ? uint64_t(info.st_size) : 0;
    return true;
}

enum DataOutcome {
    DATA_WHOLE,     // every byte the header claims came
    DATA_SHORT,     // fewer came: the file ended or a read failed
    DATA_NOBLOCK,   // no block could be allocated; nothing was consumed
    DATA_NOGROWTH   // a larger block could not be allocated after bytes were consumed
};

// Reads a section's data into a new block of firstsize bytes (at most
// length), growing it only while the block is full, the header claims more and
// more bytes really follow. A short block is cut down to the bytes that came.
DataOutcome readdata(FILE *file, uint32_t length, size_t firstsize, uint8_t **block,
                     size_t *filled, int *readerror)
{
    uint8_t *data = nullptr;
    size_t size = firstsize;
    size_t count = 0;
    *block = nullptr;
    *filled = 0;
    *readerror = 0;
    if (size > 0) {
        data = static_cast<uint8_t *>(std::malloc(size));
        if (data == nullptr)
            return DATA_NOBLOCK;
    }
    for (;;) {
        if (count < size) {
            count += std::fread(data + count, 1, size - count, file);
            if (count < size)
                break;
        }
        if (size == length)
            break;
        int next = std::getc(file);
        if (next == EOF)
            break;
        std::ungetc(next, file);
        size_t step = size > GROWTH_STEP ? size : GROWTH_STEP;
        size_t grown = length - size > step ? size + step : size_t(length);
        void *bigger = std::realloc(data, grown);
        if (bigger == nullptr) {
            std::free(data);
            return DATA_NOGROWTH;
        }
        data = static_cast<uint8_t *>(bigger);
        size = grown;
    }
    if (count < length && std::ferror(file))
        *readerror = errno != 0 ? errno : EIO;
    if (count == 0) {
        std::free(data);
        data = nullptr;
    } else if (count < size) {
        void *smaller = std::realloc(data, count);
        if (smaller != nullptr)
            data = static_cast<uint8_t *>(smaller);
    }
    *block = data;
    *filled = count;
    return count == length ? DATA_WHOLE : DATA_SHORT;
}

// Remembers a section of a known name and, when asked to, prints its
// diagnostics, using only the `count` bytes of data that were read.
void examine(Section *section, size_t count, bool diagnostics)
{
    const char *name = section->name;
    const uint8_t *data = section->data;
    if (std::memcmp(name, "TILE", 4) == 0) {
        cTile = section;
    } else if (std::memcmp(name, "ISOM", 4) == 0) {
        cIsom = section;
        if (!diagnostics)
            return;
        std::printf("ISOM length=%" PRIu32 " first word=%u\n", section->length,
                    unsigned(wordat(data, count, 0)));
    } else if (std::memcmp(name, "THG2", 4) == 0) {
        if (!diagnostics)
            return;
        std::printf("THG2 %" PRIu32 "\n", section->length);
        for (size_t i = 0; i < count; i++)
            printword((long long)i, data[i]);
    } else if (std::memcmp(name, "ERA ", 4) == 0) {
        cEra = section;
    } else if (std::memcmp(name, "DIM ", 4) == 0) {
        cDim = section;
    } else if (std::memcmp(name, "MASK", 4) == 0) {
        cMask = section;
        if (!diagnostics)
            return;
        std::printf("MASK %" PRIu32 "\n", section->length);
        printword(0, wordat(data, count, 0));
        printword(1, wordat(data, count, 1));
    } else if (std::memcmp(name, "MTXM", 4) == 0) {
        cMtxm = section;
    }
}

// Orders data blocks by address, so that clearsections sees the sections
// sharing a block side by side.
int compareaddresses(const void *a, const void *b)
{
    uintptr_t x = reinterpret_cast<uintptr_t>(*static_cast<uint8_t *const *>(a));
    uintptr_t y = reinterpret_cast<uintptr_t>(*static_cast<uint8_t *const *>(b));
    return x < y ? -1 : x > y ? 1 : 0;
}

}  // namespace

void appendsection(Section *section)
{
    if (sectionlist.tail != nullptr)
        sectionlist.tail->next = section;
    else
        sectionlist.head = section;
    sectionlist.tail = section;
}

namespace {

int readsections(const char *filename, bool diagnostics)
{
    FILE *file = std::fopen(filename, "rb");
    if (file == nullptr)
        return TEMPLATE_NOFILE;
    uint64_t filesize = 0;
    bool regular = regularfilesize(file, &filesize);
    uint64_t consumed = 0;
    int status = TEMPLATE_READ;
    bool stop = false;
    while (!stop && !std::feof(file)) {
        Section *section = static_cast<Section *>(std::malloc(sizeof(Section)));
        if (section == nullptr) {
            status = TEMPLATE_NOMEMORY;
            break;
        }
        uint8_t header[8];
        if (std::fread(header, 1, sizeof header, file) != sizeof header) {
            std::free(section);
            break;
        }
        consumed += sizeof header;
        std::memcpy(section->name, header, 4);
        section->length = getle32(header + 4);
        section->data = nullptr;
        section->next = nullptr;
        size_t count = 0;
        if (section->length != 0) {
            // A length past the end of a regular file cannot be filled, so the
            // block starts at what the file still holds.
            uint64_t firstsize = section->length;
            if (regular) {
                uint64_t remaining = filesize > consumed ? filesize - consumed : 0;
                if (remaining < firstsize)
                    firstsize = remaining;
            } else if (firstsize > GROWTH_STEP) {
                firstsize = GROWTH_STEP;
            }
            int readerror = 0;
            DataOutcome outcome = readdata(file, section->length, size_t(firstsize),
                                           &section->data, &count, &readerror);
            switch (outcome) {
            case DATA_WHOLE:
                break;
            case DATA_SHORT:
                if (readerror != 0)
                    syserrortext("fread", std::strerror(readerror));
                else
                    syserrortext("fread", "unexpected end of file");
                status = TEMPLATE_INVALID;
                break;
            case DATA_NOBLOCK: {
                // Skip the data, or it would be read as the next headers and
                // the shortage reported as a damaged file.
                uint8_t skipped[4096];
                uint64_t left = section->length;
                while (left > 0) {
                    size_t step = left < sizeof skipped ? size_t(left) : sizeof skipped;
                    size_t got = std::fread(skipped, 1, step, file);
                    consumed += got;
                    left -= got;
                    if (got < step)
                        break;
                }
                status = TEMPLATE_NOMEMORY;
                break;
            }
            case DATA_NOGROWTH:
                // Part of the data is gone, so the next header cannot be found.
                status = TEMPLATE_NOMEMORY;
                stop = true;
                break;
            }
            consumed += count;
        }
        appendsection(section);
        examine(section, count, diagnostics);
    }
    std::fclose(file);
    return status;
}

}  // namespace

int readtemplate(const char *filename)
{
    return readsections(filename, true);
}

int readmapquietly(const char *filename)
{
    return readsections(filename, false);
}

void worddump(int index, uint16_t value)
{
    printword(index, value);
}

bool writesections(const char *filename)
{
    // A length without its block would have to be read from nowhere, and a
    // header without its data would corrupt every section after it.
    for (const Section *section = sectionlist.head; section != nullptr; section = section->next) {
        if (section->length != 0 && section->data == nullptr) {
            char text[80];
            std::snprintf(text, sizeof text, "section [%4.4s] of length %" PRIu32 " has no data",
                          section->name, section->length);
            syserrortext(filename, text);
            return false;
        }
    }

    OutputFile out;
    if (!openoutputfile(filename, &out, ".trevalk")) {
        syserror(filename);
        return false;
    }
    std::setvbuf(out.file, outputbuffer, _IOFBF, sizeof outputbuffer);

    bool whole = true;
    for (const Section *section = sectionlist.head; section != nullptr; section = section->next) {
        char address[2 * sizeof(uintptr_t) + 1] = "0";
        if (section->data != nullptr)
            std::snprintf(address, sizeof address, "%" PRIXPTR,
                          reinterpret_cast<uintptr_t>(section->data));
        std::printf("[%4.4s] writing %8" PRIu32 " from %s\n", section->name, section->length,
                    address);

        uint8_t header[8];
        std::memcpy(header, section->name, 4);
        putle32(header + 4, section->length);
        if (std::fwrite(header, 1, sizeof header, out.file) != sizeof header) {
            syserror("fwrite header");
            whole = false;
            continue;
        }
        if (section->length != 0 &&
            std::fwrite(section->data, 1, section->length, out.file) != section->length) {
            syserror("fwrite data");
            whole = false;
        }
    }

    // Buffered bytes reach the file only here, so a full disk may show up
    // only now.
    if (!closeoutputfile(&out)) {
        syserror("fclose");
        whole = false;
    }
    if (!whole) {
        abandonoutputfile(&out);
        return false;
    }
    return finishoutputfile(&out, filename);
}

void clearsections()
{
    size_t count = 0;
    for (const Section *section = sectionlist.head; section != nullptr; section = section->next)
        if (section->data != nullptr)
            count++;
    uint8_t **blocks = nullptr;
    if (count > 0)
        blocks = static_cast<uint8_t **>(std::malloc(count * sizeof *blocks));
    if (blocks != nullptr) {
        size_t n = 0;
        for (const Section *section = sectionlist.head; section != nullptr; section = section->next)
            if (section->data != nullptr)
                blocks[n++] = section->data;
        std::qsort(blocks, n, sizeof *blocks, compareaddresses);
        for (size_t i = 0; i < n; i++)
            if (i == 0 || blocks[i] != blocks[i - 1])
                std::free(blocks[i]);
        std::free(blocks);
    } else {
        // No memory for the sort: free each block at the first section that
        // holds it, at the cost of a quadratic search.
        for (const Section *section = sectionlist.head; section != nullptr; section = section->next) {
            if (section->data == nullptr)
                continue;
            bool seen = false;
            for (const Section *earlier = sectionlist.head; earlier != section; earlier = earlier->next)
                if (earlier->data == section->data)
                    seen = true;
            if (!seen)
                std::free(section->data);
        }
    }
    Section *section = sectionlist.head;
    while (section != nullptr) {
        Section *next = section->next;
        std::free(section);
        section = next;
    }
    sectionlist.head = nullptr;
    sectionlist.tail = nullptr;
    cTile = cIsom = cEra = cDim = cMask = cMtxm = nullptr;
}
