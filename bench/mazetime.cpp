// Times the maze generator on one grid, for comparing two builds of it (the
// native one and the WebAssembly one that the web page runs): prints the
// median of ROUNDS runs (after three untimed ones) in milliseconds and a hash
// of the maze, which is the same for every build.
//
//   mazetime XSIZE YSIZE ROUNDS SEED
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "generate.h"

int main(int argc, char **argv) {
  if (argc != 5) {
    fputs("Usage: mazetime XSIZE YSIZE ROUNDS SEED\n", stderr);
    return 2;
  }
  const int32_t x = atoi(argv[1]), y = atoi(argv[2]);
  const int rounds = atoi(argv[3]);
  const uint32_t seed = uint32_t(strtoul(argv[4], nullptr, 10));
  if (x <= 0 || y <= 0 || rounds <= 0) return 2;
  std::vector<uint8_t> grid(size_t(int64_t(x) * y / 8 + 1));
  MazeHandle maze{x, y, 1, grid.data()};
  std::vector<double> times;
  // Untimed rounds first: the WebAssembly engine compiles hot code again,
  // optimised, once it has run a while.
  for (int round = -3; round < rounds; ++round) {
    memset(grid.data(), 0, grid.size());
    RandomSource source{seed};
    const auto start = std::chrono::steady_clock::now();
    generatemaze(&maze, &source);
    const auto end = std::chrono::steady_clock::now();
    if (round >= 0) times.push_back(std::chrono::duration<double, std::milli>(end - start).count());
  }
  std::sort(times.begin(), times.end());
  uint64_t hash = 14695981039346656037u;  // FNV-1a
  for (uint8_t byte : grid) hash = (hash ^ byte) * 1099511628211u;
  printf("%.3f %016llx\n", times[times.size() / 2], static_cast<unsigned long long>(hash));
  return 0;
}
