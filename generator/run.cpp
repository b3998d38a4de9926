#include "run.h"

#include <errno.h>
#include <inttypes.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <time.h>

#include <new>
#include <string>

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
#include "outputfile.h"
#include "progress.h"
#include "report.h"
#include "runtext.h"
#include "search.h"
#include "sections.h"
#include "seedtext.h"
#include "terrain.h"

namespace {

const char kTemplateFile[] = "ruvivare.dat";

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

// A run under way: what was asked for, and what the run found.
struct MapRun {
  const Request &request;
  uint32_t seed;  // the maze's, when options were given
  Fairness fairness;
  ReportedRun reported;  // what the report says of the run
};

// Stores the map's size into "DIM " and its tileset into "ERA ", the words
// the command line gave.
void storesizeandtileset(const Request &request) {
  writele16(cDim->data, static_cast<uint32_t>(request.values[kXSize]));
  writele16(cDim->data + 2, static_cast<uint32_t>(request.values[kYSize]));
  writele16(cEra->data, static_cast<uint32_t>(request.values[kTileset]));
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

// Says on standard error what the run did not do as asked, and tells a host
// that shows it beside its field (progress.h); "" says nothing.
void note(RequestField field, const std::string &text) {
  if (text.empty()) return;
  errormessage("%s\n", text.c_str());
  reportnote(kFieldNames[field], text.c_str());
}

// The note for loops that open none: the share of the maze's dead ends
// rounds down to none. "" when loops were opened, or could be.
std::string loopsnote(const RunOptions &options, const MazePicture &maze) {
  uint64_t cells, deadends;
  int64_t cycles;
  countmaze(maze, &cells, &deadends, &cycles);
  if (cycles != 0) return "";
  const uint64_t sets = deadendorbits(maze, options.symmetry);
  if (sets * uint64_t(options.loops) / 100 > 0) return "";
  char text[320], what[80];
  const bool symmetric = options.symmetry != kNoSymmetry;
  snprintf(what, sizeof what, "%" PRIu64 " %s", sets,
           symmetric ? (sets == 1 ? "symmetric set of dead ends" : "symmetric sets of dead ends")
                     : (sets == 1 ? "dead end" : "dead ends"));
  if (sets == 0)
    snprintf(text, sizeof text, "Note: --loops=%d opens no loop: this maze has no dead end.",
             int(options.loops));
  else
    snprintf(text, sizeof text,
             "Note: --loops=%d opens no loop: %d %% of this maze's %s rounds down to none; "
             "--loops=%" PRIu64 " is the smallest share that opens one.",
             int(options.loops), int(options.loops), what, (100 + sets - 1) / sets);
  return text;
}

// Lays the tiles of "TILE" (allocated) around a new maze, in the style the
// options ask for, and places and measures the starts when they ask for
// them. Returns false, having said why, when the map must not be written.
bool laytiles(MapRun &run) {
  const Request &request = run.request;
  const uint32_t w = request.width, h = request.height;
  const RunOptions &options = request.options;
  // A symmetric maze is centred on the map; any other keeps the plain
  // layout, so that a style or starts change nothing else of the map.
  TerrainStyle terrain = {};
  terrain.layout = layoutof(request);
  terrain.edits = request.mazeedits.data();
  terrain.editcount = request.mazeedits.size();
  const QndStyle style = {
      sizeof(QndStyle), int32_t(options.symmetry), options.loops, options.straight, 0, 0};
  if (styled(options)) terrain.style = &style;
  // The maze's picture, for the starts and for a note on loops that open
  // nothing.
  uint8_t *picture = nullptr;
  if (wantsstarts(options) || options.loops > 0) {
    const uint64_t bits = uint64_t(terrain.layout.columns) * uint64_t(terrain.layout.rows);
    picture = static_cast<uint8_t *>(calloc(size_t(bits / 8 + 1), 1));
    if (picture == nullptr) {
      syserror("malloc picture");
      return false;
    }
    terrain.picture = picture;
  }
  // A plain run is the plain layout of layterrain; the style's run is too
  // unless it asks for something of its own.
  const bool plain = !styled(options) && picture == nullptr && request.mazeedits.empty();
  const MazePicture maze = {terrain.layout.columns, terrain.layout.rows, picture};
  bool laid = true;
  if (layterrain(int32_t(w), int32_t(h), request.pathwidth, request.waterwidth, request.tileset,
                 cTile->data, plain ? nullptr : &terrain) == kTerrainNoMaze) {
    // The library ran out of memory, and a map of water alone would pass
    // for a finished one.
    syserrortext("qndcreate", strerror(ENOMEM));
    laid = false;
  } else if (wantsstarts(options)) {
    switch (measurefairness(cTile->data, w, h, terrain.layout, request.pathwidth, maze,
                            options.symmetry, options.players, &run.fairness)) {
      case kFairnessMeasured:
        printfairness(runtext, run.fairness);
        note(kFieldPlayers, apartnote(run.fairness));
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
  if (laid && options.loops > 0) note(kFieldLoops, loopsnote(options, maze));
  free(picture);
  return laid;
}

// Rebuilds the six sections around a new maze. Returns false when a data
// block could not be allocated, or the starts could not be placed; the map
// must then not be written.
bool rebuildsections(MapRun &run) {
  const uint32_t w = run.request.width, h = run.request.height;
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
    if (!laytiles(run)) complete = false;
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
// template, which it would replace, however the names are spelled; says so
// otherwise.
bool reportapart(const Request &request) {
  const char *report = request.options.report;
  if (report == nullptr) return true;
  const char *replaced = nullptr;
  if (samedestination(report, request.outfile))
    replaced = "the map it describes";
  else if (samedestination(report, kTemplateFile))
    replaced = "the template";
  if (replaced == nullptr) return true;
  errormessage("The report %s would replace %s.\n", report, replaced);
  return false;
}

// --tries: the fairest of the seeds from the run's own, whose map the run
// then makes. Returns false, having said why, when the search failed.
bool findfairest(MapRun *run) {
  const Request &request = run->request;
  ReportedRun &search = run->reported;
  search.from = run->seed;
  search.tries = uint32_t(request.options.tries);
  if (!seededmazes()) {
    errormessage(
        "The maze library that was loaded cannot make a maze from a seed it is given, which "
        "--tries needs: it is older than this trevalk. Install the library that came with it, "
        "or leave out --tries.\n");
    return false;
  }
  switch (searchseeds(request, &search)) {
    case kSearchDone:
      break;
    case kSearchNoMemory:
      syserrortext("malloc tries", strerror(ENOMEM));
      return false;
    case kSearchNoMaze:
      syserrortext("qndcreate", strerror(ENOMEM));
      return false;
  }
  printsearch(runtext, search);
  run->seed = search.best[0].seed;
  return true;
}

// Runs with options fix the maze's seed themselves, so that the report can
// name it: the option's, else QUENDREL_SEED's when it holds a seed, else the
// clock's.
void chooseseed(MapRun *run) {
  const RunOptions &options = run->request.options;
  if (!options.seeded && !parseseedtext(getenv("QUENDREL_SEED"), &run->seed))
    run->seed = static_cast<uint32_t>(time(nullptr));
  if (options.seeded) run->seed = options.seed;
}

// Hands the run's seed to the maze library, through QUENDREL_SEED.
bool handseed(const MapRun &run) {
  char text[16];
  snprintf(text, sizeof text, "%" PRIu32, run.seed);
  if (setenvironment("QUENDREL_SEED", text)) return true;
  syserror("QUENDREL_SEED");
  return false;
}

// Writes the map and, when asked for, its report, so that neither is left
// without the other: the report is opened (and, when it is a file, written
// and flushed) before the map is written, and put in place only once the
// map is. Returns false, having said why, when either failed.
bool writemapandreport(MapRun &run) {
  const Request &request = run.request;
  const char *report = request.options.report;
  if (report == nullptr) return writesections(request.outfile);
  std::string text;
  try {
    text = reporttext(run.reported, run.fairness);
  } catch (const std::bad_alloc &) {
    syserrortext("malloc report", strerror(ENOMEM));
    return false;
  }
  OutputFile out;
  SystemError error;
  if (!openoutputfile(report, &out, ".trevalk-report", &error)) {
    reportfailure(report, error);
    return false;
  }
  // A device or a pipe takes the report only once the map is whole.
  const bool inplace = out.temppath == nullptr;
  bool written = inplace || fwrite(text.data(), 1, text.size(), out.file) == text.size();
  if (written && !inplace) written = fflush(out.file) == 0;
  if (!written) {
    error = lasterror();
    commitoutputfile(&out, false, &error);
    reportfailure(report, error);
    return false;
  }
  if (!writesections(request.outfile)) {
    commitoutputfile(&out, false, &error);
    return false;
  }
  if (inplace) written = fwrite(text.data(), 1, text.size(), out.file) == text.size();
  if (!written) error = lasterror();
  if (commitoutputfile(&out, written, &error) == kCommitted) return true;
  reportfailure(report, error);
  return false;
}

}  // namespace

ExitStatus run(const RequestCheck &check, const char *shipped) {
  const Request &request = check.request;
  const RunOptions &options = request.options;
  if (styled(options) && qndcreatestyledref == nullptr) {
    errormessage(
        "The maze library that was loaded makes no styled mazes (symmetry, loops, straight "
        "corridors): it is older than this trevalk. Install the library that came with it, or "
        "leave out --symmetry, --loops and --straight.\n");
    return kExitFailure;
  }
  if (!options.edits.empty() && qndrerollref == nullptr) {
    errormessage(
        "The maze library that was loaded cannot re-roll part of a maze (--reroll, --keep): it "
        "is older than this trevalk. Install the library that came with it, or leave out "
        "--reroll and --keep.\n");
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
      // Said to a person at a terminal only: scripts read the line alone.
      if (isterminal(stderr) && shipped != nullptr)
        errormessage(
            "Hint: the template that comes with trevalk is %s; copy it into this folder.\n",
            shipped);
      else if (isterminal(stderr))
        errormessage("Hint: trevalk --help says where the template that comes with trevalk is.\n");
      return kExitFailure;
  }
  if (!templatecomplete()) return kExitFailure;
  if (!check.refusals.empty()) {
    const std::string &message = check.refusals.front().message;
    errormessage("%s", message.c_str());
    if (isterminal(stderr) && message.find("USAGE: ") != std::string::npos)
      errormessage("Hint: trevalk --help for the options; options go before the six arguments.\n");
    return kExitFailure;
  }
  storesizeandtileset(request);
  MapRun run = {request, 0, {}, {}};
  if (!reportapart(request)) return kExitFailure;
  if (!options.seeded) warnofbadseed();
  if (options.given) {
    chooseseed(&run);
    if (options.tries > 0 && !findfairest(&run)) return kExitFailure;
    if (!handseed(run)) return kExitFailure;
  }
  if (!rebuildsections(run)) return kExitFailure;
  ReportedRun &reported = run.reported;
  reported.seed = run.seed;
  for (int i = 0; i < 5; ++i) reported.arguments[i] = request.values[i];
  reported.symmetry = options.symmetry;
  reported.loops = options.loops;
  reported.straight = options.straight;
  reported.edits = &options.edits;
  return writemapandreport(run) ? kExitWritten : kExitFailure;
}
