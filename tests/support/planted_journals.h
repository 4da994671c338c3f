// Journals and temporary-looking files planted where a run writes or reads, by someone who
// wants the run to delete what it never made: beside a document, lists in the shape of a
// converter's journal naming files elsewhere (outside the output folder, in the current
// folder, one the planter cannot read, an empty folder), in the old shape and with the
// files' real device and inode; one journal a link to a list kept elsewhere; and hidden
// files named like a document's temporary file. A run must leave every one of them, and
// every file they name, as it was. Standard C++ only.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace test_support {

class PlantedJournals {
 public:
  // The files to protect go into `victims` (made here); one more goes into the current
  // folder for the test's length.
  explicit PlantedJournals(const std::filesystem::path& victims)
      : victims_(victims), here_("planted-victim-" + std::to_string(::getpid()) + ".txt") {
    std::filesystem::create_directories(victims / "empty folder");
    Keep(victims / "outside.txt", "outside the output folder");
    Keep(victims / "secret.txt", "the planter cannot read this");
    ::chmod((victims / "secret.txt").c_str(), 0);
    Keep(std::filesystem::current_path() / here_, "in the current folder");
    Named(victims / "empty folder");
  }
  ~PlantedJournals() {
    std::error_code ignored;
    std::filesystem::remove(std::filesystem::current_path() / here_, ignored);
  }
  PlantedJournals(const PlantedJournals&) = delete;
  PlantedJournals& operator=(const PlantedJournals&) = delete;

  // Names `path` in every list planted from now on (a document of the run, say).
  void Named(const std::filesystem::path& path) { named_.push_back(path); }

  // Plants journals and temporary-looking files for the document a run writes at
  // `document`, beside it.
  void PlantFor(const std::filesystem::path& document) {
    const std::filesystem::path folder = document.parent_path();
    const std::string name = document.filename().string();
    std::string list;
    for (const std::filesystem::path& path : named_) {
      for (const char kind : {'t', 'p', 'f', 'd'}) list += kind + path.string() + '\0';
      struct stat st {};
      if (::lstat(path.c_str(), &st) == 0) {
        char ids[40];
        std::snprintf(ids, sizeof ids, "%016llx%016llx", static_cast<unsigned long long>(st.st_dev),
                      static_cast<unsigned long long>(st.st_ino));
        for (const char kind : {'t', 'f', 'd'}) list += kind + std::string(ids) + path.string() + '\0';
      }
    }
    for (const std::string& path : {here_, (victims_ / "outside.txt").string(), (victims_ / "secret.txt").string()})
      list += 'f' + path + '\0';
    const std::string journal = "." + name + ".0123456789abcdef.journal";
    Keep(folder / journal, list);
    const std::filesystem::path elsewhere = victims_ / ("list " + std::to_string(kept_.size()));
    Keep(elsewhere, list);
    std::filesystem::create_symlink(elsewhere, folder / ("." + name + ".fedcba9876543210.journal"));
    links_.push_back(folder / ("." + name + ".fedcba9876543210.journal"));
    Keep(folder / ("." + name + ".0123456789abcdef.tmp"), "a hidden file of someone's");
  }

  // What is missing or changed of the planted files and those they name; empty when
  // everything is as it was.
  std::vector<std::string> Changed() const {
    std::vector<std::string> changed;
    for (const auto& [path, content] : kept_) {
      ::chmod(path.c_str(), 0600);
      std::ifstream in(path, std::ios::binary);
      const std::string now((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      if (!in.is_open() || now != content) changed.push_back(path.string());
    }
    for (const std::filesystem::path& link : links_)
      if (!std::filesystem::is_symlink(link)) changed.push_back(link.string());
    if (!std::filesystem::is_directory(victims_ / "empty folder")) changed.push_back((victims_ / "empty folder").string());
    return changed;
  }

 private:
  void Keep(const std::filesystem::path& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
    kept_.emplace_back(path, content);
    Named(path);
  }

  std::filesystem::path victims_;
  std::string here_;
  std::vector<std::filesystem::path> named_;
  std::vector<std::pair<std::filesystem::path, std::string>> kept_;
  std::vector<std::filesystem::path> links_;
};

}  // namespace test_support
