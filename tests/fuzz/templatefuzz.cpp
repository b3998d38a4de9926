// Fuzz target for the whole run: arbitrary template bytes and small arbitrary
// arguments go through the run driver in-process, in a private temporary
// folder, with the maze library's entry points linked in instead of loaded.
//
// Input: a control byte, then either five argument bytes or (control bit 7)
// argument lines, then the template's bytes.
//   bits 0-2  with bit 7: how many argument lines follow (argc - 1, up to 7);
//             the sixth argument is always replaced by the output below
//   bits 3-4  output: "out.map", "/dev/full", "missing/out.map", ""
//   bit 5     an old "out.map" is there before the run
//   bit 6     the template is absent
// Five argument bytes give xsize and ysize (0 to 71) and signed pathwidth,
// waterwidth and tileset. Argument lines end at '\n' or NUL; a map larger
// than 72x72 tiles is skipped, so each run stays quick.
//
// After every run: a failed run leaves no map under the output name, an old
// map as it was, and no temporary file; a successful one leaves a map of
// exactly the template's sections.
#include <dirent.h>
#include <fcntl.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "arguments.h"
#include "binding.h"
#include "exitstatus.h"
#include "fuzzcheck.h"
#include "quendrel.h"
#include "request.h"
#include "run.h"
#include "sections.h"
#include "terrain.h"

namespace {

const char kOldMap[] = "an old map that a failed run must keep";

std::string workfolder;
// The folder the fuzzer started in: libFuzzer reads and writes its corpus by
// relative names, so each run goes into the work folder and comes back.
int startfolder = -1;

void removework() {
  if (workfolder.empty()) return;
  unlink((workfolder + "/ruvivare.dat").c_str());
  unlink((workfolder + "/out.map").c_str());
  rmdir(workfolder.c_str());
}

void setup() {
  char folder[] = "/tmp/trevalk-fuzz-XXXXXX";
  FUZZ_CHECK(mkdtemp(folder) != nullptr);
  workfolder = folder;
  startfolder = open(".", O_RDONLY | O_DIRECTORY);
  FUZZ_CHECK(startfolder >= 0);
  atexit(removework);
  // The progress lines and maze pictures are not what is checked here.
  FUZZ_CHECK(freopen("/dev/null", "w", stdout) != nullptr);
  setenv("QUENDREL_SEED", "1", 1);
  qndcreateref = _qndcreate;
  qnddestroyref = _qnddestroy;
  qndsetposref = _qndsetpos;
  qndgetposref = _qndgetpos;
}

bool writefile(const char *name, const uint8_t *data, size_t size) {
  FILE *file = fopen(name, "wb");
  if (file == nullptr) return false;
  bool ok = fwrite(data, 1, size, file) == size;
  return fclose(file) == 0 && ok;
}

std::string readfile(const char *name) {
  std::string text;
  FILE *file = fopen(name, "rb");
  if (file == nullptr) return text;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, n);
  fclose(file);
  return text;
}

bool exists(const char *name) {
  struct stat info;
  return stat(name, &info) == 0;
}

// Nothing but the template and the map may be left in the work folder.
void checknotemporaries() {
  DIR *dir = opendir(".");
  FUZZ_CHECK(dir != nullptr);
  while (struct dirent *entry = readdir(dir)) {
    std::string name = entry->d_name;
    FUZZ_CHECK(name == "." || name == ".." || name == "ruvivare.dat" || name == "out.map");
  }
  closedir(dir);
}

// The size of a map of the list's sections; only meaningful when each has
// all its data.
uint64_t mapsize() {
  uint64_t total = 0;
  for (const Section *s = sectionlist.head; s != nullptr; s = s->next)
    total += 8 + uint64_t(s->length);
  return total;
}

bool smallmap(const char *xsize, const char *ysize) {
  int32_t w = 0, h = 0;
  if (!parsedecimal(xsize, &w) || !parsedecimal(ysize, &h)) return true;
  // The run keeps the low 16 bits of each size.
  return uint64_t(uint16_t(w)) * uint16_t(h) <= 72 * 72;
}

// One run in the work folder; size is at least 1.
void runin(const uint8_t *data, size_t size) {
  const uint8_t control = data[0];
  size_t at = 1;

  std::vector<std::string> args{"trevalk"};
  if (control & 0x80) {
    size_t lines = control & 7;
    for (size_t i = 0; i < lines; ++i) {
      std::string line;
      while (at < size && data[at] != '\n' && data[at] != '\0') line += char(data[at++]);
      if (at < size) ++at;
      args.push_back(line);
    }
  } else {
    if (size < 6) return;
    args.push_back(std::to_string(data[1] % 72));
    args.push_back(std::to_string(data[2] % 72));
    args.push_back(std::to_string(int8_t(data[3])));
    args.push_back(std::to_string(int8_t(data[4])));
    args.push_back(std::to_string(int8_t(data[5])));
    args.push_back("");
    at = 6;
  }
  static const char *const outputs[] = {"out.map", "/dev/full", "missing/out.map", ""};
  const char *output = outputs[(control >> 3) & 3];
  if (args.size() == 7) {
    if (!smallmap(args[1].c_str(), args[2].c_str())) return;
    args[6] = output;
  }

  unlink("out.map");
  unlink("ruvivare.dat");
  const bool oldmap = (control & 0x20) != 0;
  if (oldmap)
    FUZZ_CHECK(
        writefile("out.map", reinterpret_cast<const uint8_t *>(kOldMap), sizeof kOldMap - 1));
  if ((control & 0x40) == 0) FUZZ_CHECK(writefile("ruvivare.dat", data + at, size - at));

  // Without lines of its own, the control's low bits choose a fair map's
  // options, which the run refuses for most sizes and widths.
  static const char *const kStyles[][3] = {
      {},
      {"--symmetry=four-way", "--players=4", nullptr},
      {"--loops=100", "--straight=50", "--players=3"},
      {"--symmetry=rotate-90", "--loops=30", nullptr},
      {"--symmetry=left-right", "--players=2", "--straight=100"},
      {"--symmetry=rotate-180", "--loops=60", "--players=8"},
  };
  std::vector<std::string> words{"trevalk"};
  const unsigned style = (control & 0x80) ? 0 : (control & 7) % 6;
  for (const char *option : kStyles[style])
    if (option != nullptr) words.push_back(option);
  // "--" ends the options: the lines of the input are arguments whatever
  // they hold.
  words.push_back("--");
  words.insert(words.end(), args.begin() + 1, args.end());
  std::vector<char *> argv;
  for (std::string &w : words) argv.push_back(&w[0]);
  argv.push_back(nullptr);
  const RequestCheck check = checkrequest(int(words.size()), argv.data());
  FUZZ_CHECK(check.refusals.empty() || !refusedbeforebanner(check.refusals.front().code));
  // Every run starts from the program's own start state.
  terrainrandom.state = 1;
  int status = run(check);
  const uint64_t expected = mapsize();
  clearsections();

  FUZZ_CHECK(status == kExitWritten || status == kExitFailure);
  const bool wroteoutmap =
      status == kExitWritten && strcmp(output, "out.map") == 0 && args.size() == 7;
  if (wroteoutmap) {
    struct stat info;
    FUZZ_CHECK(stat("out.map", &info) == 0);
    FUZZ_CHECK(uint64_t(info.st_size) == expected);
  } else if (oldmap) {
    FUZZ_CHECK(readfile("out.map") == kOldMap);
  } else {
    FUZZ_CHECK(!exists("out.map"));
  }
  // A write to a full device or a missing folder never succeeds.
  if (args.size() == 7 && strcmp(output, "out.map") != 0) FUZZ_CHECK(status == kExitFailure);
  checknotemporaries();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (workfolder.empty()) setup();
  if (size < 1) return 0;
  FUZZ_CHECK(chdir(workfolder.c_str()) == 0);
  runin(data, size);
  FUZZ_CHECK(fchdir(startfolder) == 0);
  return 0;
}
