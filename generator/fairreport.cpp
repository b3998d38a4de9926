#include "fairreport.h"

#include <inttypes.h>

#include "outputfile.h"
#include "report.h"

namespace {

// A distance, or what stands for none in the text and in JSON.
void putdistance(FILE *out, uint64_t steps, const char *none, int width) {
  if (steps == kUnreachable)
    fprintf(out, "%*s", width, none);
  else
    fprintf(out, "%*" PRIu64, width, steps);
}

// A list of the players' distances: [a, b, ...].
void putlist(FILE *out, const uint64_t *values, int count) {
  fputc('[', out);
  for (int k = 0; k < count; ++k) {
    if (k > 0) fputs(", ", out);
    putdistance(out, values[k], "null", 0);
  }
  fputc(']', out);
}

void putreport(FILE *out, const ReportedRun &run, const Fairness &f) {
  fprintf(out, "{\n  \"version\": \"%s\",\n  \"seed\": %" PRIu32 ",\n", TREVALK_VERSION, run.seed);
  fprintf(out, "  \"arguments\": [%d, %d, %d, %d, %d],\n", int(run.arguments[0]),
          int(run.arguments[1]), int(run.arguments[2]), int(run.arguments[3]),
          int(run.arguments[4]));
  fprintf(out, "  \"symmetry\": \"%s\",\n  \"loops\": %d,\n  \"straight\": %d,\n",
          kSymmetryNames[run.symmetry], int(run.loops), int(run.straight));
  fprintf(out, "  \"players\": %d,\n  \"starts\": [", f.players);
  for (int k = 0; k < f.players; ++k)
    fprintf(out, "%s[%d, %d]", k > 0 ? ", " : "", int(f.start[k][0]), int(f.start[k][1]));
  fputs("],\n  \"steps\": [", out);
  for (int k = 0; k < f.players; ++k) {
    fputs(k > 0 ? ", " : "", out);
    putlist(out, f.steps[k], f.players);
  }
  fputs("],\n  \"centre\": ", out);
  putlist(out, f.centre, f.players);
  fputs(",\n  \"nearest_rival\": ", out);
  putlist(out, f.nearest, f.players);
  fprintf(out,
          ",\n  \"cells\": %" PRIu64 ",\n  \"dead_ends\": %" PRIu64 ",\n  \"cycles\": %" PRId64
          ",\n  \"fairness\": %.6f\n}\n",
          f.cells, f.deadends, f.cycles, f.fairness);
}

}  // namespace

void printfairness(FILE *out, const Fairness &f) {
  fprintf(out, "Starts (tile column, row), steps to the nearest rival and to the centre:\n");
  for (int k = 0; k < f.players; ++k) {
    fprintf(out, "%6d  %5d,%-5d  rival ", k + 1, int(f.start[k][0]), int(f.start[k][1]));
    putdistance(out, f.nearest[k], "-", 6);
    fputs("  centre ", out);
    putdistance(out, f.centre[k], "-", 6);
    fputc('\n', out);
  }
  if (f.players > 1) {
    fputs("Steps between starts:\n      ", out);
    for (int l = 0; l < f.players; ++l) fprintf(out, "%7d", l + 1);
    fputc('\n', out);
    for (int k = 0; k < f.players; ++k) {
      fprintf(out, "%6d", k + 1);
      for (int l = 0; l < f.players; ++l) putdistance(out, f.steps[k][l], "-", 7);
      fputc('\n', out);
    }
  }
  fprintf(out,
          "Fairness %.6f (the nearest rival's steps, least over most); the maze has %" PRIu64
          " cells, %" PRIu64 " dead ends, %" PRId64 " cycles\n",
          f.fairness, f.cells, f.deadends, f.cycles);
}

bool writefairreport(const char *file, const ReportedRun &run, const Fairness &fairness) {
  OutputFile out;
  SystemError error;
  if (!openoutputfile(file, &out, ".trevalk-report", &error)) {
    reportfailure(file, error);
    return false;
  }
  putreport(out.file, run, fairness);
  const bool written = !ferror(out.file);
  if (!written) error = lasterror();
  const CommitResult result = commitoutputfile(&out, written, &error);
  if (result == kCommitted) return true;
  reportfailure(file, error);
  return false;
}
