// The one check of a command line: the options it takes, and each refusal
// with its field, its kind and the words trevalk prints (as the README and
// trevalk(1) give them).
#include "request.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <deque>
#include <string>
#include <vector>

#include "requestjson.h"

namespace {

// The check of trevalk's words; the words stay for the test's life, as a
// program's arguments do, since the request points into them.
RequestCheck check(std::vector<std::string> words) {
  static std::deque<std::vector<std::string>> kept;
  kept.push_back(std::move(words));
  std::vector<std::string> &all = kept.back();
  all.insert(all.begin(), "trevalk");
  std::vector<char *> argv;
  for (std::string &w : all) argv.push_back(&w[0]);
  return checkrequest(int(argv.size()), argv.data());
}

TEST(Request, TakesTheOptionsBeforeTheSixArguments) {
  std::vector<std::string> words = {"--seed=4294967295",
                                    "--symmetry=rotate-90",
                                    "--loops=100",
                                    "--straight=0",
                                    "--players=8",
                                    "--report=r.json",
                                    "64",
                                    "64",
                                    "6",
                                    "3",
                                    "65541",
                                    "m.dat"};
  RequestCheck c = check(words);
  ASSERT_TRUE(c.refusals.empty()) << c.refusals[0].message;
  const Request &r = c.request;
  EXPECT_EQ(r.first, 7);
  EXPECT_TRUE(r.options.seeded);
  EXPECT_EQ(r.options.seed, 4294967295u);
  EXPECT_EQ(r.options.symmetry, kRotate90);
  EXPECT_EQ(r.options.loops, 100);
  EXPECT_EQ(r.options.players, 8);
  EXPECT_STREQ(r.options.report, "r.json");
  // Widths rounded toward zero to even numbers, the tileset as given.
  EXPECT_EQ(r.pathwidth, 6);
  EXPECT_EQ(r.waterwidth, 2);
  EXPECT_EQ(check({"64", "64", "4", "-3", "2", "m.dat"}).request.waterwidth, -2);
  EXPECT_EQ(r.tileset, 65541);
  EXPECT_STREQ(r.outfile, "m.dat");

  // "--" ends the options; a negative number is an argument; the players
  // default to the symmetry's order.
  c = check({"--loops=0", "--", "--7", "8", "4", "2", "2", "m.dat"});
  EXPECT_EQ(c.request.first, 3);
  EXPECT_EQ(c.refusals.front().code, kRefusedNotANumber);
  EXPECT_EQ(check({"-7", "--loops=3"}).request.first, 1);
  EXPECT_EQ(check({"--symmetry=four-way"}).request.options.players, 4);
  EXPECT_EQ(check({"--symmetry=top-bottom"}).request.options.players, 2);
  EXPECT_EQ(check({}).request.options.players, 1);
}

struct Refused {
  std::vector<std::string> words;
  RequestField field;
  RefusalCode code;
  const char *message;  // the start of what trevalk prints
};

TEST(Request, RefusesInTrevalksWordsBesideTheField) {
  const Refused table[] = {
      {{"--seed=4294967296"},
       kFieldSeed,
       kRefusedValue,
       "trevalk: --seed=4294967296: the seed is a whole number from 0 to 4294967295\n"},
      {{"--seed= 1"}, kFieldSeed, kRefusedValue, "trevalk: --seed= 1: the seed"},
      {{"--seed"}, kFieldNone, kRefusedNoValue, "trevalk: --seed: an option takes a value"},
      {{"--symmetry=Four-way"}, kFieldSymmetry, kRefusedValue, "trevalk: --symmetry=Four-way: "},
      {{"--loops=5%"},
       kFieldLoops,
       kRefusedValue,
       "trevalk: --loops=5%: loops are a whole percentage from 0 to 100\n"},
      {{"--straight=-0"}, kFieldStraight, kRefusedValue, "trevalk: --straight=-0: straightness"},
      {{"--players=9"},
       kFieldPlayers,
       kRefusedValue,
       "trevalk: --players=9: players are a whole number from 1 to 8\n"},
      {{"--report="}, kFieldReport, kRefusedValue, "trevalk: --report=: the report needs a file"},
      {{"--colour=red"}, kFieldNone, kRefusedUnknownOption, "trevalk: --colour=red: no such"},
      {{"--loops=1", "--loops=1"},
       kFieldLoops,
       kRefusedTwice,
       "trevalk: --loops=1: the option is given twice\n"},
      {{"--symmetry=rotate-90", "--players=6"},
       kFieldPlayers,
       kRefusedOrbits,
       "trevalk: --players=6: with --symmetry=rotate-90 the players come in whole orbits of 4 "
       "(4 or 8 players)\n"},
      {{"64", "64", "4", "2", "2"}, kFieldNone, kRefusedArgumentCount, "USAGE: trevalk xsize"},
      {{"64", "x", "4", "2", "2", "m.dat"}, kFieldYSize, kRefusedNotANumber, "USAGE: trevalk"},
      {{"64", "64", "4", "2", "2147483648", "m.dat"}, kFieldTileset, kRefusedNotANumber, "USAGE"},
      {{"64", "64", "1", "-1", "2", "m.dat"},
       kFieldPathWidth,
       kRefusedNoPitch,
       "The path width and the water width add up to 0 once rounded to even numbers.\nUSAGE: "},
      {{"40000", "40000", "4", "2", "2", "m.dat"},
       kFieldYSize,
       kRefusedTooLarge,
       // "ISOM" holds (4 x 40000 + 8) x (height + 1) bytes, at most 2^32 - 1.
       "A map of 40000x40000 tiles is too large for its sections: with a width of 40000 the "
       "height may be at most 26841, with a height of 40000 the width at most 26840.\n"},
      {{"64", "64", "40000", "-39998", "2", "m.dat"},
       kFieldPathWidth,
       kRefusedOverlap,
       "The path width and the water width overlap too far"},
      {{"--symmetry=rotate-90", "40", "48", "4", "2", "2", "m.dat"},
       kFieldSymmetry,
       kRefusedFairSize,
       "A map of 40x48 tiles cannot be a symmetric map: it needs an even width and height of at "
       "least 32 tiles, and the same for both (rotate-90). The nearest sizes that work: 40x40 and "
       "48x48.\n"},
      {{"--players=2", "31", "64", "4", "2", "2", "m.dat"},
       kFieldPlayers,
       kRefusedFairSize,
       "A map of 31x64 tiles cannot be a map with starts: "},
      {{"--symmetry=left-right", "64", "64", "4", "4", "2", "m.dat"},
       kFieldSymmetry,
       kRefusedFairWidths,
       "A path width of 4 and a water width of 4 (rounded to even numbers)"},
      {{"--players=2", "64", "64", "200", "2", "2", "m.dat"},
       kFieldPlayers,
       kRefusedNoRoom,
       "A path width of 200 and a water width of 2 leave no room for a maze on a 64x64 map: "
       "together they may be at most 128 tiles"},
  };
  for (const Refused &row : table) {
    std::vector<std::string> words = row.words;
    if (words.size() == 1 || (words.size() == 2 && words[0][0] == '-'))
      for (const char *w : {"64", "64", "4", "2", "2", "m.dat"}) words.push_back(w);
    const RequestCheck c = check(words);
    ASSERT_FALSE(c.refusals.empty()) << words[0];
    const Refusal &r = c.refusals.front();
    EXPECT_EQ(r.field, row.field) << r.message;
    EXPECT_EQ(r.code, row.code) << r.message;
    EXPECT_EQ(r.message.rfind(row.message, 0), 0u) << r.message;
  }
}

// The page shows every refusal at once: each bad option and each argument
// that is not a number, and the symmetries the size leaves.
TEST(Request, FindsEveryRefusalAndTheSymmetriesThatFit) {
  RequestCheck c = check({"--loops=101", "--players=0", "64", "a", "4", "b", "2", "m.dat"});
  std::vector<RequestField> fields;
  for (const Refusal &r : c.refusals) fields.push_back(r.field);
  EXPECT_EQ(fields,
            (std::vector<RequestField>{kFieldLoops, kFieldPlayers, kFieldYSize, kFieldWaterWidth}));
  c = check({"--players=2", "96", "64", "6", "2", "1", "m.dat"});
  EXPECT_TRUE(c.refusals.empty());
  const std::string *why = c.request.symmetrywhy;
  EXPECT_EQ(why[kNoSymmetry], "");
  EXPECT_EQ(why[kLeftRight], "");
  // The players are no reason: choosing a symmetry sets them.
  EXPECT_EQ(why[kFourWay], "");
  EXPECT_EQ(why[kRotate90], "needs a square map");
  c = check({"30", "64", "4", "4", "1", "m.dat"});
  EXPECT_EQ(c.request.symmetrywhy[kRotate180],
            "needs an even width and height of at least 32 tiles");
  EXPECT_EQ(c.request.symmetrywhy[kRotate90],
            "needs a square map, of an even side of at least 32 tiles");
  c = check({"64", "64", "4", "4", "1", "m.dat"});
  EXPECT_EQ(c.request.symmetrywhy[kTopBottom],
            "needs a path wider than the water, and water at least 2 tiles wide");
}

TEST(Request, TheCheckAsThePageReadsIt) {
  using nlohmann::json;
  json c = json::parse(requestjson(check({"--loops=5%", "96", "x", "6", "2", "1", "m.dat"})));
  // The numbers as read, the one that is none as null; no request.
  EXPECT_EQ(c["arguments"], json::parse("[96, null, 6, 2, 1]"));
  EXPECT_TRUE(c["request"].is_null());
  ASSERT_EQ(c["refusals"].size(), 2u);
  EXPECT_EQ(c["refusals"][0]["field"], "loops");
  EXPECT_EQ(c["refusals"][0]["code"], "bad-value");
  EXPECT_EQ(c["refusals"][1]["field"], "ysize");
  EXPECT_EQ(c["refusals"][1]["code"], "not-a-number");
  EXPECT_EQ(c["refusals"][0]["message"],
            "trevalk: --loops=5%: loops are a whole percentage from 0 to 100\n");

  c = json::parse(requestjson(check({"--symmetry=four-way", "96", "64", "6", "2", "1", "m.dat"})));
  EXPECT_EQ(c["request"], json::parse(R"({"width": 96, "height": 64, "pathwidth": 6,
      "waterwidth": 2, "tileset": 1, "symmetry": "four-way", "players": 4, "loops": 0,
      "straight": 0})"));
  EXPECT_TRUE(c["refusals"].empty());
  // Every symmetry, with the players its orbits allow and why it is off.
  ASSERT_EQ(c["symmetries"].size(), size_t(kSymmetryCount));
  const json players = json::parse(
      R"({"none": [1, 2, 3, 4, 5, 6, 7, 8], "left-right": [2, 4, 6, 8], "four-way": [4, 8]})");
  for (const json &s : c["symmetries"]) {
    SCOPED_TRACE(s.dump());
    const std::string name = s["name"];
    if (players.contains(name)) {
      EXPECT_EQ(s["players"], players[name]);
    }
    EXPECT_EQ(s["why"], name == "rotate-90" ? json("needs a square map") : json());
    EXPECT_EQ(s["order"], s["players"][0]);
  }
}

}  // namespace
