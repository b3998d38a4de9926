// How far a long task has come, for a host that shows it: the web page's
// worker turns it into its progress bar, and learns the image's scale and
// the players' colours from it rather than from the programs' text. The
// programs print nothing for it, and outside the browser it does nothing.
#ifndef TREVALK_PROGRESS_H
#define TREVALK_PROGRESS_H

#include <stdint.h>

#include "platform.h"

// The long tasks: trevalk lays the maze's rows and writes the map's
// sections, trevalk-preview writes its image's bands.
enum ProgressStage { kProgressMaze, kProgressWriting, kProgressImage };

#if TREVALK_OS_BROWSER
// Tells the page that `done` of `total` steps of `stage` are finished
// (progress.cpp).
void reportprogress(ProgressStage stage, uint32_t done, uint32_t total);
// Tells the page how many image pixels a tile's side takes.
void reportscale(uint32_t scale);
// Tells the page the colour a player's start is marked with (player 0 first).
void reportplayercolour(int player, const uint8_t rgb[3]);
// Tells the page a note of the run's that belongs beside one of its fields
// (as the page names them: "loops", "players").
void reportnote(const char *field, const char *text);
#else
inline void reportprogress(ProgressStage, uint32_t, uint32_t) {}
inline void reportscale(uint32_t) {}
inline void reportplayercolour(int, const uint8_t[3]) {}
inline void reportnote(const char *, const char *) {}
#endif

#endif
