#include "requestjson.h"

#include <nlohmann/json.hpp>

#include "fairness.h"

using nlohmann::json;

std::string requestjson(const RequestCheck &check) {
  const Request &r = check.request;
  json out = json::object();
  json arguments = json::array();
  if (r.outfile != nullptr)
    for (int i = 0; i < kOutfile; ++i) arguments.push_back(r.read[i] ? json(r.values[i]) : json());
  out["arguments"] = arguments;
  out["request"] = nullptr;
  if (check.refusals.empty())
    out["request"] = {{"width", r.width},
                      {"height", r.height},
                      {"pathwidth", r.pathwidth},
                      {"waterwidth", r.waterwidth},
                      {"tileset", r.tileset},
                      {"symmetry", kSymmetryNames[r.options.symmetry]},
                      {"players", r.options.players},
                      {"loops", r.options.loops},
                      {"straight", r.options.straight}};
  json refusals = json::array();
  for (const Refusal &refusal : check.refusals)
    refusals.push_back(
        {{"field", kFieldNames[refusal.field]},
         {"code", kRefusalCodeNames[refusal.code]},
         {"numbers", json(std::vector<int64_t>(refusal.numbers, refusal.numbers + refusal.count))},
         {"message", refusal.message}});
  out["refusals"] = refusals;
  json symmetries = json::array();
  for (int s = 0; s < kSymmetryCount; ++s) {
    const int order = symmetryorder(Symmetry(s));
    json players = json::array();
    for (int n = order; n <= kMostPlayers; n += order) players.push_back(n);
    const std::string &why = r.symmetrywhy[s];
    symmetries.push_back({{"name", kSymmetryNames[s]},
                          {"order", order},
                          {"players", players},
                          {"why", why.empty() ? json(nullptr) : json(why)}});
  }
  out["symmetries"] = symmetries;
  // Text from the command line may be any bytes; the page reads UTF-8.
  return out.dump(-1, ' ', false, json::error_handler_t::replace);
}
