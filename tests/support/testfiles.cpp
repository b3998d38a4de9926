#include "testfiles.h"

#include <dirent.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <iterator>

std::string le16(unsigned value) {
  return std::string{char(value & 0xFF), char((value >> 8) & 0xFF)};
}

std::string le32(uint32_t value) { return le16(value & 0xFFFF) + le16(value >> 16); }

std::string words(const std::vector<uint16_t> &values) {
  std::string text;
  for (uint16_t value : values) text += le16(value);
  return text;
}

std::string bytes(std::initializer_list<int> values) {
  std::string text;
  for (int value : values) text += char(value);
  return text;
}

std::string sectionbytes(const std::string &name, const std::string &data, uint64_t length) {
  return name.substr(0, 4) + le32(uint32_t(length)) + data;
}

std::string sectionbytes(const std::string &name, const std::string &data) {
  return sectionbytes(name, data, data.size());
}

Section *addsectionto(SectionList *list, const std::string &name, const std::string &data) {
  Section *s = static_cast<Section *>(malloc(sizeof(Section)));
  memcpy(s->name, name.data(), 4);
  s->length = uint32_t(data.size());
  s->data = nullptr;
  if (!data.empty()) {
    s->data = static_cast<uint8_t *>(malloc(data.size()));
    memcpy(s->data, data.data(), data.size());
  }
  s->next = nullptr;
  s->repeat = 0;
  appendsection(list, s);
  return s;
}

std::string readwhole(const std::string &path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

namespace {

void removetree(const std::string &path) {
  struct stat info;
  if (lstat(path.c_str(), &info) != 0) return;
  if (S_ISDIR(info.st_mode)) {
    chmod(path.c_str(), 0700);
    if (DIR *dir = opendir(path.c_str())) {
      while (dirent *entry = readdir(dir))
        if (strcmp(entry->d_name, ".") != 0 && strcmp(entry->d_name, "..") != 0)
          removetree(path + "/" + entry->d_name);
      closedir(dir);
    }
    rmdir(path.c_str());
  } else {
    unlink(path.c_str());
  }
}

}  // namespace

TempFolder::TempFolder() {
  const char *base = getenv("TMPDIR");
  std::string pattern =
      std::string(base != nullptr && base[0] != '\0' ? base : "/tmp") + "/trevalk-test-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  if (mkdtemp(name.data()) == nullptr) {
    perror("mkdtemp");
    abort();
  }
  folder_ = name.data();
}

TempFolder::~TempFolder() { removetree(folder_); }

bool TempFolder::store(const std::string &entry, const std::string &content) const {
  std::ofstream file(path(entry), std::ios::binary | std::ios::trunc);
  file.write(content.data(), std::streamsize(content.size()));
  return file.good();
}

std::string TempFolder::load(const std::string &entry) const { return readwhole(path(entry)); }

std::vector<std::string> TempFolder::entries(const std::string &sub) const {
  std::vector<std::string> names;
  DIR *dir = opendir(sub.empty() ? folder_.c_str() : path(sub).c_str());
  if (dir == nullptr) return names;
  while (dirent *entry = readdir(dir))
    if (strcmp(entry->d_name, ".") != 0 && strcmp(entry->d_name, "..") != 0)
      names.push_back(entry->d_name);
  closedir(dir);
  std::sort(names.begin(), names.end());
  return names;
}

namespace {

void noteline(std::string *text, const std::string &what, const SystemError &error) {
  *text += what + ": " + errordescription(error) + "\n";
}

void notewrite(const Section *section, SectionWrite step, const SystemError &error, void *context) {
  MapWrite *write = static_cast<MapWrite *>(context);
  write->sections += std::string(section->name, 4) + "\n";
  if (step == kSectionHeaderFailed) noteline(&write->failures, "fwrite header", error);
  if (step == kSectionDataFailed) noteline(&write->failures, "fwrite data", error);
}

}  // namespace

MapWrite writemap(const SectionList *list, const std::string &file) {
  MapWrite write = {false, "", ""};
  const WriteOutcome outcome = writesectionfile(list, file.c_str(), notewrite, &write);
  static const char *const kStatus[] = {"whole", "nodata", "open", "sections", "close", "replace"};
  write.whole = outcome.status == kWriteWhole;
  if (outcome.status == kWriteNoData)
    write.failures += "nodata: " + std::string(outcome.section->name, 4) + "\n";
  else if (failed(outcome.error))
    noteline(&write.failures, kStatus[outcome.status], outcome.error);
  else if (!write.whole)
    write.failures += std::string(kStatus[outcome.status]) + "\n";
  return write;
}
