// The five measures of a fair map's starts, for bench/fair-groups: the map's
// tiles and the starts of a report (any trevalk's), measured as a report of
// this trevalk measures them.
//
//   measurestarts MAP REPORT
//
// Prints "fairness rival centre territory room separation closest": the
// least of the five measures' fairness, each one's, and the straight-line
// distance of the nearest two starts.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "fairness.h"
#include "littleendian.h"
#include "sectionfile.h"

int main(int argc, char **argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: measurestarts MAP REPORT\n");
    return 2;
  }
  SectionList list = {nullptr, nullptr};
  SystemError error;
  if (readsectionfile(argv[1], &list, nullptr, nullptr, nullptr, &error) != kReadWhole) {
    fprintf(stderr, "%s: not a readable map\n", argv[1]);
    return 1;
  }
  const Section *dim = nullptr, *tiles = nullptr;
  for (const Section *s = list.head; s != nullptr; s = s->next) {
    if (memcmp(s->name, "DIM ", 4) == 0) dim = s;
    if (memcmp(s->name, "MTXM", 4) == 0) tiles = s;
  }
  if (dim == nullptr || tiles == nullptr || dim->length < 4) {
    fprintf(stderr, "%s: no size or tiles\n", argv[1]);
    return 1;
  }
  std::ifstream in(argv[2]);
  std::stringstream text;
  text << in.rdbuf();
  const nlohmann::json report = nlohmann::json::parse(text.str());
  Fairness f = {};
  f.players = int(report["starts"].size());
  for (int k = 0; k < f.players; ++k) {
    f.start[k][0] = report["starts"][k][0];
    f.start[k][1] = report["starts"][k][1];
  }
  const char *names[] = {"none", "left-right", "top-bottom", "rotate-180", "four-way", "rotate-90"};
  int symmetry = 0;
  while (symmetry < 6 && report["symmetry"] != names[symmetry]) ++symmetry;
  if (!measurestarts(tiles->data, readle16(dim->data), readle16(dim->data + 2), Symmetry(symmetry),
                     &f))
    return 1;
  printf("%.6f", f.fairness);
  for (double m : f.measure) printf(" %.6f", m);
  printf(" %.2f\n", f.closest);
  return 0;
}
