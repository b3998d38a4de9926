#include "fairreport.h"

#include <inttypes.h>
#include <math.h>

#include <nlohmann/json.hpp>

using nlohmann::ordered_json;

namespace {

// A distance, or what stands for none in the text.
void putdistance(FILE *out, uint64_t steps, int width) {
  if (steps == kUnreachable)
    fprintf(out, "%*s", width, "-");
  else
    fprintf(out, "%*" PRIu64, width, steps);
}

// A number rounded to `decimals` places, as the report gives it.
double rounded(double value, int decimals) {
  const double scale = pow(10.0, decimals);
  return round(value * scale) / scale;
}

ordered_json distancejson(uint64_t steps) {
  return steps == kUnreachable ? ordered_json(nullptr) : ordered_json(steps);
}

ordered_json listjson(const uint64_t *values, int count) {
  ordered_json list = ordered_json::array();
  for (int k = 0; k < count; ++k) list.push_back(distancejson(values[k]));
  return list;
}

// The players with the least and the most of a measure, and those values.
struct Extremes {
  int least, most;
  double low, high;
};

Extremes extremes(const Fairness &f, Measure m) {
  Extremes e = {0, 0, 0, 0};
  for (int k = 0; k < f.players; ++k) {
    double v = 0;
    switch (m) {
      case kRival:
        v = f.nearest[k] == kUnreachable ? INFINITY : double(f.nearest[k]);
        break;
      case kCentre:
        v = f.centre[k] == kUnreachable ? INFINITY : double(f.centre[k]);
        break;
      case kTerritory:
        v = double(f.territory[k]);
        break;
      case kRoom:
        v = double(f.room[k]);
        break;
      default:
        v = f.separation[k];
        break;
    }
    if (k == 0 || v < e.low) e.low = v, e.least = k;
    if (k == 0 || v > e.high) e.high = v, e.most = k;
  }
  return e;
}

std::string sentence(const char *form, int a, double ratio, int b) {
  char text[200];
  snprintf(text, sizeof text, form, a + 1, ratio, b + 1);
  return text;
}

}  // namespace

std::string verdicttext(const Fairness &f) {
  if (f.players < 2) return "Even: one player, with no rival to measure against.";
  if (even(f)) return "Even: every measure within 10 %.";
  const Extremes e = extremes(f, f.worst);
  const double ratio = e.low > 0 && !isinf(e.high) ? e.high / e.low : INFINITY;
  char text[200];
  if (isinf(ratio)) {
    // A measure that one player has none of, or cannot reach.
    switch (f.worst) {
      case kRival:
        snprintf(text, sizeof text, "Uneven: player %d cannot reach a rival.", e.most + 1);
        break;
      case kCentre:
        if (isinf(e.high))
          snprintf(text, sizeof text, "Uneven: player %d cannot reach the centre.", e.most + 1);
        else
          snprintf(text, sizeof text,
                   "Uneven: player %d starts on the centre, player %d %.0f steps from it.",
                   e.least + 1, e.most + 1, e.high);
        break;
      case kTerritory:
        snprintf(text, sizeof text,
                 "Uneven: player %d has no territory: all its land is as near to a rival.",
                 e.least + 1);
        break;
      default:
        snprintf(text, sizeof text, "Uneven: player %d starts where a rival does.", e.least + 1);
        break;
    }
    return text;
  }
  switch (f.worst) {
    case kRival:
      return sentence("Uneven: player %d's nearest rival is %.1f times as far as player %d's.",
                      e.most, ratio, e.least);
    case kCentre:
      return sentence("Uneven: player %d is %.1f times farther from the centre than player %d.",
                      e.most, ratio, e.least);
    case kTerritory:
      return sentence("Uneven: player %d has %.1f times as much territory as player %d.", e.most,
                      ratio, e.least);
    case kRoom:
      return sentence(
          "Uneven: player %d has %.1f times as much room around its start as player %d.", e.most,
          ratio, e.least);
    default:
      return sentence(
          "Uneven: player %d's nearest rival is %.1f times as far in a straight line as player "
          "%d's.",
          e.most, ratio, e.least);
  }
}

std::string apartnote(const Fairness &f) {
  if (f.players < 2 || f.closest >= double(f.apart)) return "";
  char text[240];
  snprintf(text, sizeof text,
           "Note: the land keeps the nearest two starts only %.2f tiles apart in a straight line, "
           "not the %" PRId64 " tiles that %d players are kept apart on this map where it can.",
           f.closest, f.apart, f.players);
  return text;
}

void printfairness(FILE *out, const Fairness &f) {
  fputs("Starts (tile column, row) and their measures:\n", out);
  fputs("player        start   rival  centre  territory     room  separation\n", out);
  for (int k = 0; k < f.players; ++k) {
    char start[32];
    snprintf(start, sizeof start, "%d,%d", int(f.start[k][0]), int(f.start[k][1]));
    fprintf(out, "%6d  %11s", k + 1, start);
    putdistance(out, f.nearest[k], 8);
    putdistance(out, f.centre[k], 8);
    fprintf(out, "%11" PRIu64 "%9" PRIu64 "%12.2f\n", f.territory[k], f.room[k], f.separation[k]);
  }
  if (f.players > 1) {
    fputs("Steps between starts:\n      ", out);
    for (int l = 0; l < f.players; ++l) fprintf(out, "%7d", l + 1);
    fputc('\n', out);
    for (int k = 0; k < f.players; ++k) {
      fprintf(out, "%6d", k + 1);
      for (int l = 0; l < f.players; ++l) putdistance(out, f.steps[k][l], 7);
      fputc('\n', out);
    }
  }
  fprintf(out, "Contested land: %" PRIu64 " tiles; room radius: ", f.contested);
  if (f.roomradius == kUnreachable)
    fputs("all the land a start reaches\n", out);
  else
    fprintf(out, "%" PRIu64 " steps\n", f.roomradius);
  fputs("Fairness by measure, the least over the most:", out);
  for (int m = 0; m < kMeasureCount; ++m)
    fprintf(out, "%s %s %.6f", m > 0 ? "," : "", kMeasureNames[m], f.measure[m]);
  fprintf(out, "\nFairness %.6f, the least of them. %s\n", f.fairness, verdicttext(f).c_str());
  fprintf(out, "The maze has %" PRIu64 " cells, %" PRIu64 " dead ends, %" PRId64 " cycles\n",
          f.cells, f.deadends, f.cycles);
}

void printsearch(FILE *out, const ReportedRun &run) {
  fprintf(out, "The fairest of %" PRIu32 " seeds from %" PRIu32 ":\n", run.tries, run.from);
  fputs("        seed  fairness\n", out);
  for (int k = 0; k < run.bestcount; ++k)
    fprintf(out, "  %10" PRIu32 "  %.6f\n", run.best[k].seed, run.best[k].fairness);
}

std::string reporttext(const ReportedRun &run, const Fairness &f) {
  ordered_json report;
  report["version"] = TREVALK_VERSION;
  report["seed"] = run.seed;
  report["arguments"] = std::vector<int32_t>(run.arguments, run.arguments + 5);
  report["symmetry"] = kSymmetryNames[run.symmetry];
  report["loops"] = run.loops;
  report["straight"] = run.straight;
  if (run.edits != nullptr && !run.edits->empty()) {
    ordered_json edits = ordered_json::array();
    for (const MapEdit &e : *run.edits)
      edits.push_back({e.keep ? "keep" : "reroll", e.x, e.y, e.width, e.height, e.seed});
    report["edits"] = edits;
  }
  report["players"] = f.players;
  ordered_json starts = ordered_json::array(), steps = ordered_json::array();
  ordered_json separation = ordered_json::array();
  for (int k = 0; k < f.players; ++k) {
    starts.push_back({f.start[k][0], f.start[k][1]});
    steps.push_back(listjson(f.steps[k], f.players));
    separation.push_back(rounded(f.separation[k], 2));
  }
  report["starts"] = starts;
  report["steps"] = steps;
  report["centre"] = listjson(f.centre, f.players);
  report["nearest_rival"] = listjson(f.nearest, f.players);
  report["territory"] = listjson(f.territory, f.players);
  report["contested"] = f.contested;
  report["room_radius"] = distancejson(f.roomradius);
  report["room"] = listjson(f.room, f.players);
  report["separation"] = separation;
  report["cells"] = f.cells;
  report["dead_ends"] = f.deadends;
  report["cycles"] = f.cycles;
  ordered_json measures;
  for (int m = 0; m < kMeasureCount; ++m) measures[kMeasureNames[m]] = rounded(f.measure[m], 6);
  report["measures"] = measures;
  report["fairness"] = rounded(f.fairness, 6);
  report["verdict"] = {
      {"even", even(f)}, {"worst", kMeasureNames[f.worst]}, {"text", verdicttext(f)}};
  const std::string note = apartnote(f);
  if (!note.empty()) report["note"] = note;
  if (run.tries > 0) {
    ordered_json best = ordered_json::array();
    for (int k = 0; k < run.bestcount; ++k)
      best.push_back({run.best[k].seed, rounded(run.best[k].fairness, 6)});
    report["search"] = {{"from", run.from}, {"tries", run.tries}, {"best", best}};
  }
  // One member a line, each value as compact as JSON writes it.
  std::string text = "{\n";
  bool first = true;
  for (const auto &member : report.items()) {
    text += first ? "  " : ",\n  ";
    text += ordered_json(member.key()).dump() + ": " +
            member.value().dump(-1, ' ', false, ordered_json::error_handler_t::replace);
    first = false;
  }
  return text + "\n}\n";
}
