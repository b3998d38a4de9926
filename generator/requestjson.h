// A command line's check (request.h) as the web page reads it: one JSON
// object, so that the page refuses and offers what trevalk would, in
// trevalk's words, without a rule of its own.
#ifndef TREVALK_REQUESTJSON_H
#define TREVALK_REQUESTJSON_H

#include <string>

#include "request.h"

// {"arguments": [the five numbers as read, null where none], "request":
// {"width", "height", "pathwidth", "waterwidth", "tileset", "symmetry",
// "players", "loops", "straight"} (the map the command line asks for, null
// when it asks for none), "refusals": [{"field", "code", "numbers",
// "message"}, ...] in trevalk's order, "symmetries": [{"name", "order",
// "players": [the players it allows], "why": why it cannot be chosen, or
// null}, ...] in trevalk's order}.
std::string requestjson(const RequestCheck &check);

#endif
