#include "run.h"

#include <errno.h>
#include <inttypes.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <time.h>

#include "arguments.h"
#include "binding.h"
#include "environment.h"
#include "exitstatus.h"
#include "fairness.h"
#include "fairreport.h"
#include "files.h"
#include "largeblock.h"
#include "layout.h"
#include "littleendian.h"
#include "maplimits.h"
#include "report.h"
#include "runtext.h"
#include "sections.h"
#include "seedtext.h"
#include "terrain.h"

namespace {

const char kTemplateFile[] = "ruvivare.dat";

void printusage() { errormessage("USAGE: trevalk %s\n", argumentsynopsis(true)); }

// Every section the run rebuilds must be there, with room for the words it
// writes. Reports each shortcoming and returns false when there is one.
bool templatecomplete() {
  struct Needed {
    Section *section;
    const char *name;
    uint32_t bytes;
  };
  const Needed needed[] = {{cDim, "DIM ", 4},  {cEra, "ERA ", 2},  {cMask, "MASK", 0},
                           {cIsom, "ISOM", 0}, {cTile, "TILE", 0}, {cMtxm, "MTXM", 0}};
  bool complete = true;
  for (const Needed &n : needed) {
    if (n.section == nullptr) {
      errormessage("Invalid data file (%s): it has no \"%s\" section.\n", kTemplateFile, n.name);
      complete = false;
    } else if (n.section->length < n.bytes) {
      errormessage("Invalid data file (%s): its \"%s\" section is too short (%" PRIu32
                   " bytes of data, at least %" PRIu32 " needed).\n",
                   kTemplateFile, n.name, n.section->length, n.bytes);
      complete = false;
    }
  }
  return complete;
}

// The run's parsed command line.
struct Request {
  uint32_t width, height;
  int32_t pathwidth, waterwidth, tileset;
  const char *outfile;
  int32_t values[kArgumentCount - 1];  // the five numbers as given
  RunOptions options;
  uint32_t seed;  // the maze's, when options were given
  Fairness fairness;
};

// A fair map (a symmetric one, or one with starts) needs a size and widths
// that make its land one connected maze; says which sizes do when it has
// not.
bool fairsize(const Request &request) {
  const RunOptions &options = request.options;
  if (options.symmetry == kNoSymmetry && !placesstarts(options)) return true;
  const bool quarter = options.symmetry == kRotate90;
  const uint32_t w = request.width, h = request.height;
  const char *what = options.symmetry != kNoSymmetry ? "a symmetric map" : "a map with starts";
  switch (fairfit(w, h, request.pathwidth, request.waterwidth, quarter)) {
    case kFairFits: {
      // A symmetric maze is fitted to the map; any other keeps the plain
      // layout, which may have no room for a single position.
      const MazeLayout plain = mazelayout(w, h, request.pathwidth, request.waterwidth);
      if (options.symmetry != kNoSymmetry || (plain.columns > 0 && plain.rows > 0)) return true;
      errormessage(
          "A path width of %d and a water width of %d leave no room for a maze on a %" PRIu32
          "x%" PRIu32 " map: together they may be at most %" PRIu32
          " tiles, twice its smaller side.\n",
          int(request.pathwidth), int(request.waterwidth), w, h, 2 * (w < h ? w : h));
      return false;
    }
    case kFairSizeRefused: {
      uint32_t sizes[2][2];
      int count;
      nearestfairsizes(w, h, quarter, sizes, &count);
      errormessage("A map of %" PRIu32 "x%" PRIu32
                   " tiles cannot be %s: it needs an even width and height of at least %" PRIu32
                   " tiles%s. The nearest size%s that work%s: %" PRIu32 "x%" PRIu32,
                   w, h, what, kFairSide, quarter ? ", and the same for both (rotate-90)" : "",
                   count > 1 ? "s" : "", count > 1 ? "" : "s", sizes[0][0], sizes[0][1]);
      if (count > 1) errormessage(" and %" PRIu32 "x%" PRIu32, sizes[1][0], sizes[1][1]);
      errormessage(".\n");
      return false;
    }
    case kFairWidthsRefused:
      errormessage(
          "A path width of %d and a water width of %d (rounded to even numbers) cannot "
          "make %s: its paths must be wider than the water between them, and the water "
          "at least 2 tiles wide (for instance a path width of 4 and a water width of "
          "2).\n",
          int(request.pathwidth), int(request.waterwidth), what);
      return false;
  }
  return false;
}

// Parses the six arguments into the request and the "DIM " and "ERA " words.
// Returns false, having said why, for a map the run must not make.
bool parserequest(char **argv, Request *request) {
  char **arguments = argv + 1;
  int32_t *values = request->values;
  for (int i = 0; i < kOutfile; ++i) {
    if (!parsedecimal(arguments[i], &values[i])) {
      printusage();
      return false;
    }
  }
  writele16(cDim->data, static_cast<uint32_t>(values[kXSize]));
  writele16(cDim->data + 2, static_cast<uint32_t>(values[kYSize]));
  request->pathwidth = roundtoeven(values[kPathWidth]);
  request->waterwidth = roundtoeven(values[kWaterWidth]);
  request->tileset = values[kTileset];
  writele16(cEra->data, static_cast<uint32_t>(values[kTileset]));
  request->width = readle16(cDim->data);
  request->height = readle16(cDim->data + 2);
  request->outfile = arguments[kOutfile];

  const uint32_t w = request->width, h = request->height;
  if (int64_t(request->pathwidth) + request->waterwidth == 0) {
    errormessage("The path width and the water width add up to 0 once rounded to even numbers.\n");
    printusage();
    return false;
  }
  if (!mapfits(w, h)) {
    errormessage("A map of %" PRIu32 "x%" PRIu32
                 " tiles is too large for its sections: with a width of %" PRIu32
                 " the height may be at most %" PRIu32 ", with a height of %" PRIu32
                 " the width at most %" PRIu32 ".\n",
                 w, h, w, largestheight(w), h, largestwidth(h));
    return false;
  }
  uint64_t draws = paintingdraws(w, h, request->pathwidth, request->waterwidth);
  if (draws > paintinglimit(w, h)) {
    errormessage(
        "The path width and the water width overlap too far: painting the maze could take %" PRIu64
        " draws for %" PRIu64 " tiles.\n",
        draws, uint64_t(w) * h);
    printusage();
    return false;
  }
  return fairsize(*request);
}

// The most bytes that a section of one repeated pattern holds in memory; a
// longer one is written by repeating its block.
constexpr uint64_t kPatternBlock = uint64_t(1) << 20;

// Gives a section of `length` bytes a new data block, releasing its old one:
// a block of `held` bytes (at most `length`), which repeats up to the length
// when it is shorter. Returns false, having reported it under `context`,
// when the block cannot be allocated; a length of 0 leaves the section
// without a block.
bool renewsection(Section *section, uint64_t length, uint64_t held, const char *context) {
  free(section->data);
  section->data = nullptr;
  section->length = static_cast<uint32_t>(length);
  section->repeat = held < length ? static_cast<uint32_t>(held) : 0;
  if (length == 0) return true;
  section->data = allocatelargeblock(held);
  if (section->data == nullptr) {
    syserror(context);
    return false;
  }
  return true;
}

// Lays the tiles of "TILE" (allocated) around a new maze, in the style the
// options ask for, and places and measures the starts when they ask for
// them. Returns false, having said why, when the map must not be written.
bool laytiles(Request &request) {
  const uint32_t w = request.width, h = request.height;
  const RunOptions &options = request.options;
  // A symmetric maze is centred on the map; any other keeps the plain
  // layout, so that a style or starts change nothing else of the map.
  TerrainRequest terrain = {};
  terrain.layout = options.symmetry != kNoSymmetry
                       ? fairlayout(w, h, request.pathwidth, request.waterwidth, options.symmetry)
                       : mazelayout(w, h, request.pathwidth, request.waterwidth);
  const QndStyle style = {sizeof(QndStyle), int32_t(options.symmetry), options.loops,
                          options.straight};
  if (styled(options)) terrain.style = &style;
  uint8_t *picture = nullptr;
  if (placesstarts(options)) {
    const uint64_t bits = uint64_t(terrain.layout.columns) * uint64_t(terrain.layout.rows);
    picture = static_cast<uint8_t *>(calloc(size_t(bits / 8 + 1), 1));
    if (picture == nullptr) {
      syserror("malloc picture");
      return false;
    }
    terrain.picture = picture;
  }
  bool laid = true;
  if (layterrainwith(int32_t(w), int32_t(h), request.pathwidth, request.waterwidth, terrain,
                     cTile->data) == kTerrainNoMaze) {
    // The library ran out of memory, and a map of water alone would pass
    // for a finished one.
    syserrortext("qndcreate", strerror(ENOMEM));
    laid = false;
  } else if (picture != nullptr) {
    const MazePicture maze = {terrain.layout.columns, terrain.layout.rows, picture};
    switch (measurefairness(cTile->data, w, h, terrain.layout, request.pathwidth, maze,
                            options.symmetry, options.players, &request.fairness)) {
      case kFairnessMeasured:
        printfairness(runtext, request.fairness);
        break;
      case kFairnessNoMemory:
        syserrortext("malloc starts", strerror(ENOMEM));
        laid = false;
        break;
      case kFairnessNoRoom:
        errormessage("The land of this map has too little room to keep %d starts apart.\n",
                     options.players);
        laid = false;
        break;
    }
  }
  free(picture);
  return laid;
}

// Rebuilds the six sections around a new maze. Returns false when a data
// block could not be allocated, or the starts could not be placed; the map
// must then not be written.
bool rebuildsections(Request &request) {
  const uint32_t w = request.width, h = request.height;
  const MapLengths lengths = maplengths(w, h);
  bool complete = true;

  // "MASK" and "ISOM" are one byte and one word over and over: each holds a
  // block of at most kPatternBlock bytes (an even number), written as often
  // as its length takes.
  const uint64_t maskblock = lengths.mask < kPatternBlock ? lengths.mask : kPatternBlock;
  if (renewsection(cMask, lengths.mask, maskblock, "malloc cMask")) {
    if (cMask->data) memset(cMask->data, 0xFF, maskblock);
  } else {
    complete = false;
  }

  const uint64_t isomblock = lengths.isom < kPatternBlock ? lengths.isom : kPatternBlock;
  if (renewsection(cIsom, lengths.isom, isomblock, "malloc cIsom")) {
    if (cIsom->data) fillwords(cIsom->data, isomblock, 0x0030);
  } else {
    complete = false;
  }

  if (renewsection(cTile, lengths.tile, lengths.tile, "malloc cTile")) {
    if (!laytiles(request)) complete = false;
  } else {
    complete = false;
  }

  // "MTXM" shares the tile block. Its own former block is no longer used by
  // anything, so it is released here rather than left unreachable.
  if (cMtxm->data != cTile->data) free(cMtxm->data);
  cMtxm->length = cTile->length;
  cMtxm->data = cTile->data;
  cMtxm->repeat = cTile->repeat;
  return complete;
}

// The maze library takes QUENDREL_SEED only when it holds a seed, and
// silently seeds from the clock otherwise; a user who set it believes the map
// can be made again, so say it cannot.
void warnofbadseed() {
  const char *text = getenv("QUENDREL_SEED");
  uint32_t seed;
  if (text == nullptr || parseseedtext(text, &seed)) return;
  errormessage(
      "Warning: QUENDREL_SEED=\"%s\" is not a seed (a whole number from 0 to "
      "4294967295), so the maze is seeded from the clock.\n",
      text);
}

// True when the report names neither the map it describes nor the
// template, which it would replace; says so otherwise.
bool reportapart(const Request &request) {
  const char *report = request.options.report;
  if (report == nullptr) return true;
  const char *replaced = nullptr;
  if (strcmp(report, request.outfile) == 0 || samefile(report, request.outfile))
    replaced = "the map it describes";
  else if (strcmp(report, kTemplateFile) == 0 || samefile(report, kTemplateFile))
    replaced = "the template";
  if (replaced == nullptr) return true;
  errormessage("The report %s would replace %s.\n", report, replaced);
  return false;
}

// Runs with options fix the maze's seed themselves, so that the report can
// name it: the option's, else QUENDREL_SEED's when it holds a seed, else the
// clock's, handed to the maze library through QUENDREL_SEED.
bool fixseed(Request *request) {
  const RunOptions &options = request->options;
  if (!options.given) return true;
  if (!options.seeded && !parseseedtext(getenv("QUENDREL_SEED"), &request->seed))
    request->seed = static_cast<uint32_t>(time(nullptr));
  if (options.seeded) request->seed = options.seed;
  char text[16];
  snprintf(text, sizeof text, "%" PRIu32, request->seed);
  if (setenvironment("QUENDREL_SEED", text)) return true;
  syserror("QUENDREL_SEED");
  return false;
}

}  // namespace

ExitStatus run(const RunOptions &options, int argc, char **argv) {
  if (styled(options) && qndcreatestyledref == nullptr) {
    errormessage(
        "The maze library that was loaded makes no styled mazes (symmetry, loops, straight "
        "corridors): it is older than this trevalk. Install the library that came with it, or "
        "leave out --symmetry, --loops and --straight.\n");
    return kExitFailure;
  }
  switch (readtemplate(kTemplateFile)) {
    case kReadWhole:
      break;
    case kReadShort:
    case kReadFailed:
      errormessage("Invalid data file (%s).\n", kTemplateFile);
      return kExitFailure;
    case kReadNoMemory:
      errormessage("Out of memory.\n");
      return kExitFailure;
    case kReadNoFile:
      errormessage("Couldn't open data file (%s).\n", kTemplateFile);
      return kExitFailure;
  }
  if (!templatecomplete()) return kExitFailure;
  if (argc != kArgumentCount + 1) {
    printusage();
    return kExitFailure;
  }
  Request request;
  request.options = options;
  request.seed = 0;
  if (!parserequest(argv, &request)) return kExitFailure;
  if (!reportapart(request)) return kExitFailure;
  if (!options.seeded) warnofbadseed();
  if (!fixseed(&request)) return kExitFailure;
  if (!rebuildsections(request)) return kExitFailure;
  if (!writesections(request.outfile)) return kExitFailure;
  if (options.report == nullptr) return kExitWritten;
  // The map now exists: a report under another name of it is seen only now.
  if (!reportapart(request)) return kExitFailure;
  ReportedRun reported = {request.seed, {}, options.symmetry, options.loops, options.straight};
  for (int i = 0; i < 5; ++i) reported.arguments[i] = request.values[i];
  return writefairreport(options.report, reported, request.fairness) ? kExitWritten : kExitFailure;
}
