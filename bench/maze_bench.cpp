// Positions per second of the maze generator against its step-by-step
// baseline, on the same sizes and seeds, with the ratio of their CPU times
// printed at the end (CPU time: other work on the machine disturbs it less);
// and of the styled generator (a four-way symmetric maze, a straight one)
// against the plain generator.
#include <benchmark/benchmark.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <map>
#include <string>
#include <vector>

#include "generate.h"
#include "plaingenerate.h"
#include "regionwalk.h"
#include "symmetry.h"

namespace {

void run(benchmark::State &state, void (*generator)(MazeHandle *, RandomSource *)) {
  const int32_t x = int32_t(state.range(0)), y = int32_t(state.range(1)),
                z = int32_t(state.range(2));
  const int64_t positions = int64_t(x) * y * z;
  std::vector<uint8_t> grid(size_t(positions / 8 + 1));
  MazeHandle maze{x, y, z, grid.data()};
  uint32_t seed = 1;
  for (auto _ : state) {
    state.PauseTiming();
    memset(grid.data(), 0, grid.size());
    RandomSource source{seed++};
    state.ResumeTiming();
    generator(&maze, &source);
    benchmark::DoNotOptimize(grid.data());
  }
  state.counters["positions/s"] =
      benchmark::Counter(double(positions), benchmark::Counter::kIsIterationInvariantRate);
}

void Fast(benchmark::State &state) { run(state, generatemaze); }
void Plain(benchmark::State &state) { run(state, plaingeneratemaze); }
void FourWay(benchmark::State &state) {
  run(state,
      [](MazeHandle *maze, RandomSource *source) { generatesymmetric(maze, kFourWay, 0, source); });
}
void Straight(benchmark::State &state) {
  run(state, [](MazeHandle *maze, RandomSource *source) {
    const Region whole = {uint32_t(maze->xsize), uint32_t(maze->ysize), uint32_t(maze->xsize)};
    walkregion(maze, whole, kNoLine, 50, source);
  });
}

void sizes(benchmark::internal::Benchmark *b) {
  b->Args({33, 33, 1})->Args({1025, 1025, 1})->Args({8191, 8191, 1})->Args({255, 255, 255});
  b->Unit(benchmark::kMillisecond);
}
BENCHMARK(Fast)->Apply(sizes);
BENCHMARK(Plain)->Apply(sizes);

// Flat sizes whose halves both run through cells, as four-way needs.
void flatsizes(benchmark::internal::Benchmark *b) {
  b->Args({1025, 1025, 1})->Args({8193, 8193, 1})->Unit(benchmark::kMillisecond);
}
BENCHMARK(Fast)->Args({8193, 8193, 1})->Unit(benchmark::kMillisecond);
BENCHMARK(FourWay)->Apply(flatsizes);
BENCHMARK(Straight)->Apply(flatsizes);

// Prints as usual, and keeps each run's time to print the ratios afterwards.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run> &runs) override {
    for (const Run &r : runs) {
      std::string name = r.benchmark_name();
      size_t slash = name.find('/');
      times_[name.substr(slash)][name.substr(0, slash)] = r.GetAdjustedCPUTime();
    }
    ConsoleReporter::ReportRuns(runs);
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    printf("\nspeed-up of the generator over the step-by-step baseline:\n");
    for (auto &size : times_) {
      auto fast = size.second.find("Fast"), plain = size.second.find("Plain");
      if (fast != size.second.end() && plain != size.second.end() && fast->second > 0)
        printf("  %-20s %.2fx\n", size.first.c_str() + 1, plain->second / fast->second);
    }
    printf(
        "\nstyled generators' time against the plain generator's (positions per second\n"
        "of the plain generator over theirs):\n");
    for (auto &size : times_) {
      auto fast = size.second.find("Fast");
      if (fast == size.second.end()) continue;
      for (const char *styled : {"FourWay", "Straight"}) {
        auto other = size.second.find(styled);
        if (other != size.second.end() && fast->second > 0)
          printf("  %-20s %-9s %.2fx\n", size.first.c_str() + 1, styled,
                 other->second / fast->second);
      }
    }
  }

 private:
  std::map<std::string, std::map<std::string, double>> times_;
};

}  // namespace

int main(int argc, char **argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
