#include "pngencoder.h"

#include <errno.h>
#include <stdlib.h>
#include <string.h>
#include <zlib.h>

#include <atomic>
#include <new>

#include "parallel.h"
#include "progress.h"

namespace {

// About this many uncompressed bytes make a band: enough to keep each
// thread busy for a while, few enough that every core gets bands.
constexpr size_t kBandBytes = size_t(1) << 18;

// Deflate's window: each band starts with the last bytes of the band before
// as its dictionary, so it compresses as the middle of one stream would.
constexpr size_t kWindow = size_t(1) << 15;

// Bands compressed before their output is written: a bound on the memory
// that compressed bands hold.
constexpr unsigned kBandsPerThread = 2;

constexpr uint8_t kFilterNone = 0;
constexpr uint8_t kFilterUp = 2;

void putbe32(uint8_t *at, uint32_t value) {
  at[0] = uint8_t(value >> 24);
  at[1] = uint8_t(value >> 16);
  at[2] = uint8_t(value >> 8);
  at[3] = uint8_t(value);
}

// Writes one chunk: length, type, data, and the CRC-32 of type and data.
bool writechunk(FILE *file, const char type[4], const uint8_t *data, size_t length) {
  uint8_t head[8], tail[4];
  putbe32(head, uint32_t(length));
  memcpy(head + 4, type, 4);
  uLong crc = crc32(0, head + 4, 4);
  if (length > 0) crc = crc32(crc, data, uInt(length));
  putbe32(tail, uint32_t(crc));
  return fwrite(head, 1, 8, file) == 8 &&
         (length == 0 || fwrite(data, 1, length, file) == length) && fwrite(tail, 1, 4, file) == 4;
}

// The filtered rows of the image, as the zlib stream holds them: each image
// row is a filter byte and the row's indexes; with a scale above 1 every row
// is stored as its difference to the row above ("up"), which turns the
// repeated rows of a tile into zeros.
class RowMaker {
 public:
  explicit RowMaker(const TileImage &image)
      : image_(image), pixels_(size_t(image.width) * image.scale) {}
  ~RowMaker() { free(raw_); }
  RowMaker(const RowMaker &) = delete;
  RowMaker &operator=(const RowMaker &) = delete;

  size_t rowbytes() const { return pixels_ + 1; }
  bool ready() {
    if (raw_ == nullptr) raw_ = static_cast<uint8_t *>(malloc(2 * pixels_ + 1));
    return raw_ != nullptr;
  }

  // Writes image row y, filtered, to out (rowbytes() bytes).
  void make(uint32_t y, uint8_t *out) {
    if (image_.scale == 1) {
      out[0] = kFilterNone;
      draw(y, out + 1);
      return;
    }
    out[0] = kFilterUp;
    if (y % image_.scale != 0 && !marked(y) && !marked(y - 1)) {
      memset(out + 1, 0, pixels_);
      return;
    }
    uint8_t *above = raw_;
    uint8_t *current = raw_ + pixels_;
    draw(y, current);
    if (y == 0) {
      memcpy(out + 1, current, pixels_);
      return;
    }
    draw(y - 1, above);
    for (size_t i = 0; i < pixels_; ++i) out[1 + i] = uint8_t(current[i] - above[i]);
  }

 private:
  // True when a mark lies on image row y: the row then differs from the one
  // above even inside a tile.
  bool marked(uint32_t y) const {
    for (int m = 0; m < image_.markcount; ++m)
      if (onrow(image_.marks[m], y)) return true;
    return false;
  }

  static bool onrow(const Mark &mark, uint32_t y) { return mark.top <= y && y < mark.bottom; }

  // The palette indexes of image row y.
  void draw(uint32_t y, uint8_t *pixels) const {
    drawtiles(y, pixels);
    for (int m = 0; m < image_.markcount; ++m) {
      const Mark &mark = image_.marks[m];
      if (!onrow(mark, y)) continue;
      const bool edgerow = y == mark.top || y + 1 == mark.bottom;
      for (uint32_t x = mark.left; x < mark.right; ++x)
        pixels[x] = edgerow || x == mark.left || x + 1 == mark.right ? mark.edge : mark.fill;
    }
  }

  void drawtiles(uint32_t y, uint8_t *pixels) const {
    const uint8_t *tile = image_.tiles + size_t(2) * image_.width * (y / image_.scale);
    const unsigned scale = image_.scale;
    for (uint32_t x = 0; x < image_.width; ++x, tile += 2) {
      uint8_t index = image_.indexes[tile[0] | tile[1] << 8];
      if (scale == 1)
        *pixels++ = index;
      else
        pixels = static_cast<uint8_t *>(memset(pixels, index, scale)) + scale;
    }
  }

  const TileImage &image_;
  size_t pixels_;
  uint8_t *raw_ = nullptr;
};

struct Band {
  uint8_t *compressed;
  size_t capacity;  // of the compressed block, which later rounds reuse
  size_t length;
  uLong adler;  // of the band's uncompressed bytes
  size_t rawbytes;
  int error;  // errno of a failed allocation, or 0
};

// What one thread keeps from round to round: fresh memory costs a page fault
// for every page, so it is allocated once.
struct Worker {
  RowMaker *rows;
  z_stream stream;
  uint8_t *buffer;  // the band, after the rows before it that make its dictionary
  bool ready;
};

struct Encoding {
  const TileImage *image;
  size_t rowbytes;
  uint32_t rowsperband;
  uint32_t imagerows;
  uint32_t bands;
  uint32_t first, last;  // the bands of the current round: first to last - 1
  std::atomic<uint32_t> next;
  Band *out;        // one record for each band of a round
  Worker *workers;  // one for each thread
};

// Deflates band b into *band, ending it with a full flush, or the stream's
// end for the last band.
void compressband(Encoding *encoding, Worker *worker, uint32_t b, Band *band) {
  const size_t rowbytes = encoding->rowbytes;
  const uint32_t top = b * encoding->rowsperband;
  uint32_t bottom = top + encoding->rowsperband;
  if (bottom > encoding->imagerows) bottom = encoding->imagerows;
  band->length = 0;
  band->error = 0;

  // The dictionary: the stream's bytes just before the band.
  uint32_t before = uint32_t((kWindow + rowbytes - 1) / rowbytes);
  if (before > top) before = top;
  for (uint32_t y = top - before; y < top; ++y)
    worker->rows->make(y, worker->buffer + size_t(y - (top - before)) * rowbytes);
  size_t history = size_t(before) * rowbytes;
  size_t dictionary = history < kWindow ? history : kWindow;

  uint8_t *raw = worker->buffer + history;
  for (uint32_t y = top; y < bottom; ++y) worker->rows->make(y, raw + size_t(y - top) * rowbytes);
  const size_t rawbytes = size_t(bottom - top) * rowbytes;
  band->rawbytes = rawbytes;
  band->adler = adler32(adler32(0, nullptr, 0), raw, uInt(rawbytes));

  z_stream *stream = &worker->stream;
  deflateReset(stream);
  if (dictionary > 0) deflateSetDictionary(stream, raw - dictionary, uInt(dictionary));
  // Room for the worst case, the flush marker and some spare.
  size_t room = deflateBound(stream, uLong(rawbytes)) + 64;
  if (band->capacity < room) {
    free(band->compressed);
    band->compressed = static_cast<uint8_t *>(malloc(room));
    band->capacity = band->compressed != nullptr ? room : 0;
    if (band->compressed == nullptr) {
      band->error = ENOMEM;
      return;
    }
  }
  stream->next_in = raw;
  stream->avail_in = uInt(rawbytes);
  stream->next_out = band->compressed;
  stream->avail_out = uInt(band->capacity);
  const bool lastband = b + 1 == encoding->bands;
  int result = deflate(stream, lastband ? Z_FINISH : Z_FULL_FLUSH);
  if (stream->avail_in != 0 || (lastband ? result != Z_STREAM_END : result != Z_OK)) {
    band->error = ENOMEM;
    return;
  }
  band->length = band->capacity - stream->avail_out;
}

bool startworker(const Encoding &encoding, Worker *worker) {
  const size_t rowbytes = encoding.rowbytes;
  const size_t before = (kWindow + rowbytes - 1) / rowbytes;
  worker->rows = new (std::nothrow) RowMaker(*encoding.image);
  worker->buffer =
      static_cast<uint8_t *>(malloc((size_t(encoding.rowsperband) + before) * rowbytes));
  worker->stream = z_stream();
  worker->ready =
      worker->rows != nullptr && worker->rows->ready() && worker->buffer != nullptr &&
      deflateInit2(&worker->stream, Z_BEST_SPEED, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY) == Z_OK;
  return worker->ready;
}

void endworker(Worker *worker) {
  if (worker->ready) deflateEnd(&worker->stream);
  delete worker->rows;
  free(worker->buffer);
}

// One thread's share of a round: bands taken in turn until none is left.
void compressbands(void *context, unsigned k) {
  Encoding *encoding = static_cast<Encoding *>(context);
  Worker *worker = &encoding->workers[k];
  for (;;) {
    uint32_t b = encoding->next.fetch_add(1);
    if (b >= encoding->last) break;
    Band *band = &encoding->out[b - encoding->first];
    if (worker->ready)
      compressband(encoding, worker, b, band);
    else
      band->error = ENOMEM;
  }
}

}  // namespace

uint32_t bandrows(size_t rowbytes) {
  size_t rows = kBandBytes / rowbytes;
  return rows > 0 ? uint32_t(rows) : 1;
}

int writetilepng(FILE *file, const TileImage &image, const uint8_t *palette, unsigned colours,
                 unsigned threads) {
  if (threads == 0) threads = processorcount();
  const uint32_t width = image.width * image.scale;
  const uint32_t height = image.height * image.scale;
  Encoding encoding;
  encoding.image = &image;
  encoding.rowbytes = size_t(width) + 1;
  encoding.rowsperband = bandrows(encoding.rowbytes);
  encoding.imagerows = height;
  encoding.bands = uint32_t((uint64_t(height) + encoding.rowsperband - 1) / encoding.rowsperband);
  const uint32_t round = threads * kBandsPerThread;
  errno = 0;
  encoding.out = static_cast<Band *>(calloc(round, sizeof(Band)));
  encoding.workers = static_cast<Worker *>(calloc(threads, sizeof(Worker)));
  if (encoding.out == nullptr || encoding.workers == nullptr) {
    free(encoding.out);
    free(encoding.workers);
    return ENOMEM;
  }
  for (unsigned k = 0; k < threads; ++k) startworker(encoding, &encoding.workers[k]);

  static const uint8_t kSignature[8] = {137, 'P', 'N', 'G', '\r', '\n', 26, '\n'};
  uint8_t header[13];
  putbe32(header, width);
  putbe32(header + 4, height);
  header[8] = 8;   // bits a pixel
  header[9] = 3;   // colour type: palette indexes
  header[10] = 0;  // deflate
  header[11] = 0;  // the five filters of method 0
  header[12] = 0;  // no interlace
  // The zlib stream's head: deflate with a 32 KiB window, fastest level.
  static const uint8_t kZlibHead[2] = {0x78, 0x01};
  int error = 0;
  if (fwrite(kSignature, 1, 8, file) != 8 || !writechunk(file, "IHDR", header, sizeof header) ||
      !writechunk(file, "PLTE", palette, size_t(3) * colours) ||
      !writechunk(file, "IDAT", kZlibHead, sizeof kZlibHead))
    error = errno != 0 ? errno : EIO;

  uLong adler = adler32(0, nullptr, 0);
  for (uint32_t first = 0; error == 0 && first < encoding.bands; first += round) {
    encoding.first = first;
    encoding.last = encoding.bands - first < round ? encoding.bands : first + round;
    encoding.next.store(first);
    unsigned workers = encoding.last - first < threads ? encoding.last - first : threads;
    runtogether(workers, compressbands, &encoding);
    for (uint32_t b = first; b < encoding.last; ++b) {
      Band *band = &encoding.out[b - first];
      if (error == 0 && band->error != 0) error = band->error;
      if (error == 0 && !writechunk(file, "IDAT", band->compressed, band->length))
        error = errno != 0 ? errno : EIO;
      adler = adler32_combine(adler, band->adler, z_off_t(band->rawbytes));
    }
    reportprogress(kProgressImage, encoding.last, encoding.bands);
  }
  for (uint32_t i = 0; i < round; ++i) free(encoding.out[i].compressed);
  for (unsigned k = 0; k < threads; ++k) endworker(&encoding.workers[k]);
  free(encoding.out);
  free(encoding.workers);
  if (error != 0) return error;

  uint8_t trailer[4];
  putbe32(trailer, uint32_t(adler));
  if (!writechunk(file, "IDAT", trailer, sizeof trailer) || !writechunk(file, "IEND", nullptr, 0))
    return errno != 0 ? errno : EIO;
  return 0;
}
