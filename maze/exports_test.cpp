// The library is loaded by name at run time, so its export table is its
// interface: exactly its entry points, under their exact names.
#ifndef _WIN32
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <stdio.h>

#include <set>
#include <string>

#include "quendrel.h"

namespace {

TEST(MazeExports, LoadsAndFindsEachEntryPointByName) {
  void *library = dlopen(QUENDREL_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(library, nullptr) << dlerror();
  auto create = reinterpret_cast<qndcreate_fn>(dlsym(library, "_qndcreate"));
  auto getpos = reinterpret_cast<qndgetpos_fn>(dlsym(library, "_qndgetpos"));
  auto setpos = reinterpret_cast<qndsetpos_fn>(dlsym(library, "_qndsetpos"));
  auto destroy = reinterpret_cast<qnddestroy_fn>(dlsym(library, "_qnddestroy"));
  auto createstyled = reinterpret_cast<qndcreatestyled_fn>(dlsym(library, "_qndcreatestyled"));
  auto reroll = reinterpret_cast<qndreroll_fn>(dlsym(library, "_qndreroll"));
  ASSERT_TRUE(create && getpos && setpos && destroy && createstyled && reroll);
  EXPECT_EQ(dlsym(library, "generatemaze"), nullptr);
  MazeHandle *maze = create(3, 1, 1);
  ASSERT_NE(maze, nullptr);
  EXPECT_EQ(getpos(maze, 2, 0, 0), 0x04);
  EXPECT_EQ(setpos(maze, 1, 0, 0), 0x07);
  destroy(maze);
  dlclose(library);
}

TEST(MazeExports, ExportsNothingButTheEntryPoints) {
  std::string command = "nm -D --defined-only '" + std::string(QUENDREL_LIBRARY_PATH) + "' 2>&1";
  FILE *pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::set<std::string> exported;
  char line[512];
  while (fgets(line, sizeof line, pipe)) {
    char name[400];
    if (sscanf(line, "%*s %*c %399s", name) != 1) continue;
    // A sanitizer build adds its own instrumentation symbols; they are no
    // part of the library's interface.
    if (std::string(name).rfind("__asan", 0) == 0 || std::string(name).rfind("__odr_asan", 0) == 0)
      continue;
    exported.insert(name);
  }
  ASSERT_EQ(pclose(pipe), 0);
  EXPECT_EQ(exported, (std::set<std::string>{"_qndcreate", "_qndcreatestyled", "_qnddestroy",
                                             "_qndgetpos", "_qndreroll", "_qndsetpos"}));
}

}  // namespace
#endif
