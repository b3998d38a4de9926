// The options before the six arguments: what each takes and what it refuses.
#include "runoptions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Parsed {
  bool ok;
  RunOptions options;
  int first;
  std::string err;
  std::string report;  // the options' report name, which points into the arguments
};

Parsed parse(std::vector<std::string> args) {
  args.insert(args.begin(), "trevalk");
  std::vector<char *> argv;
  for (std::string &a : args) argv.push_back(&a[0]);
  Parsed p;
  testing::internal::CaptureStderr();
  p.ok = parseoptions(int(argv.size()), argv.data(), &p.options, &p.first);
  p.err = testing::internal::GetCapturedStderr();
  if (p.ok && p.options.report != nullptr) p.report = p.options.report;
  p.options.report = nullptr;
  return p;
}

TEST(RunOptions, TakesEachOptionsValuesAndStopsAtTheArguments) {
  Parsed p = parse({"--seed=4294967295", "--symmetry=rotate-90", "--loops=100", "--straight=0",
                    "--players=8", "--report=r.json", "64", "--loops=1"});
  ASSERT_TRUE(p.ok) << p.err;
  EXPECT_EQ(p.first, 7);
  EXPECT_TRUE(p.options.seeded);
  EXPECT_EQ(p.options.seed, 4294967295u);
  EXPECT_EQ(p.options.symmetry, kRotate90);
  EXPECT_EQ(p.options.loops, 100);
  EXPECT_EQ(p.options.players, 8);
  EXPECT_EQ(p.report, "r.json");

  // "--" ends the options; a negative number is an argument.
  p = parse({"--loops=0", "--", "--7"});
  ASSERT_TRUE(p.ok);
  EXPECT_EQ(p.first, 3);
  p = parse({"-7", "--loops=3"});
  EXPECT_EQ(p.first, 1);
  EXPECT_FALSE(p.options.given);

  // The players default to the symmetry's order.
  EXPECT_EQ(parse({"--symmetry=four-way"}).options.players, 4);
  EXPECT_EQ(parse({"--symmetry=top-bottom"}).options.players, 2);
  EXPECT_EQ(parse({}).options.players, 1);
}

TEST(RunOptions, RefusesWhatNoOptionTakes) {
  const std::vector<std::vector<std::string>> refused = {
      {"--seed=4294967296"},
      {"--seed=-1"},
      {"--seed="},
      {"--seed= 1"},
      {"--seed"},
      {"--symmetry=Four-way"},
      {"--symmetry="},
      {"--loops=101"},
      {"--loops=5%"},
      {"--straight=-0"},
      {"--players=0"},
      {"--players=9"},
      {"--report="},
      {"--colour=red"},
      {"--loops=1", "--loops=1"},
      {"--symmetry=left-right", "--players=3"},
      {"--symmetry=rotate-90", "--players=6"},
  };
  for (const auto &args : refused) {
    Parsed p = parse(args);
    EXPECT_FALSE(p.ok) << args[0];
    EXPECT_EQ(p.err.rfind("trevalk: ", 0), 0u) << p.err;
  }
}

}  // namespace
