// Runs saved fuzz inputs through a fuzz target's entry function without
// libFuzzer, so the normal build (any compiler) replays the corpus and every
// crash input ever found. Arguments are files or folders of files.
#include <dirent.h>
#include <stdint.h>
#include <stdio.h>
#include <sys/stat.h>

#include <algorithm>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

namespace {

bool readall(const std::string &path, std::vector<uint8_t> *bytes) {
  FILE *file = fopen(path.c_str(), "rb");
  if (file == nullptr) return false;
  uint8_t buffer[4096];
  size_t n;
  bytes->clear();
  while ((n = fread(buffer, 1, sizeof buffer, file)) > 0)
    bytes->insert(bytes->end(), buffer, buffer + n);
  bool ok = !ferror(file);
  fclose(file);
  return ok;
}

void collect(const std::string &path, std::vector<std::string> *files) {
  struct stat info;
  if (stat(path.c_str(), &info) != 0) {
    files->push_back(path);  // reported as unreadable
    return;
  }
  if (!S_ISDIR(info.st_mode)) {
    files->push_back(path);
    return;
  }
  std::vector<std::string> names;
  if (DIR *dir = opendir(path.c_str())) {
    while (struct dirent *entry = readdir(dir)) {
      std::string name = entry->d_name;
      // Dot files are notes for people, not inputs.
      if (name[0] != '.') names.push_back(name);
    }
    closedir(dir);
  }
  std::sort(names.begin(), names.end());
  for (const std::string &name : names) collect(path + "/" + name, files);
}

}  // namespace

int main(int argc, char **argv) {
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) collect(argv[i], &files);
  int replayed = 0;
  for (const std::string &path : files) {
    std::vector<uint8_t> bytes;
    if (!readall(path, &bytes)) {
      fprintf(stderr, "replay: cannot read %s\n", path.c_str());
      return 1;
    }
    // Named before the run, so a crash points at its input.
    fprintf(stderr, "replay: %s\n", path.c_str());
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    ++replayed;
  }
  fprintf(stderr, "replay: %d inputs, no failure\n", replayed);
  return replayed > 0 ? 0 : 1;
}
