// Finding soffice and a Python with the `uno` module, once at a run's start.
#include "pdf/office_location.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <mutex>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "pdf/child_process.h"

namespace lorvane_pdf {
namespace {

namespace fs = std::filesystem;

bool IsProgram(const fs::path& path) {
  std::error_code error;
  return fs::is_regular_file(path, error) && ::access(path.c_str(), X_OK) == 0;
}

std::string OnPath(std::string_view name) {
  const char* path = std::getenv("PATH");
  if (!path) return {};
  std::string_view rest = path;
  while (!rest.empty()) {
    const std::size_t colon = rest.find(':');
    const std::string_view folder = rest.substr(0, colon);
    if (!folder.empty() && IsProgram(fs::path(folder) / name)) return (fs::path(folder) / name).string();
    if (colon == std::string_view::npos) break;
    rest.remove_prefix(colon + 1);
  }
  return {};
}

// True when the interpreter imports `uno` (and so reaches LibreOffice's bridge) within a
// few seconds.
bool ImportsUno(const std::string& python) {
  if (!IsProgram(python)) return false;
  ChildProcess child;
  try {
    child.Start({python, "-c", "import uno"}, {}, 0);
  } catch (const std::runtime_error&) {
    return false;
  }
  return child.WaitForExit(std::chrono::seconds(20)) == 0;
}

}  // namespace

std::string FindLibreOffice() {
  if (const char* chosen = std::getenv("LORVANE_SOFFICE"); chosen && *chosen) {
    return IsProgram(chosen) ? std::string(chosen) : std::string();
  }
  if (std::string found = OnPath("soffice"); !found.empty()) return found;
  for (const char* candidate : {"/usr/lib/libreoffice/program/soffice", "/opt/libreoffice/program/soffice",
                                "/usr/local/lib/libreoffice/program/soffice"}) {
    if (IsProgram(candidate)) return candidate;
  }
  return {};
}

std::string FindUnoPython(const std::string& office) {
  std::vector<std::string> candidates;
  if (!office.empty()) {
    // LibreOffice's own builds carry their Python beside the program.
    std::error_code error;
    const fs::path real = fs::canonical(office, error);
    if (!error) candidates.push_back((real.parent_path() / "python").string());
  }
  candidates.push_back("/usr/bin/python3");
  if (std::string found = OnPath("python3"); !found.empty()) candidates.push_back(found);
  for (const std::string& candidate : candidates) {
    if (ImportsUno(candidate)) return candidate;
  }
  return {};
}

std::string OfficeMissingReason() {
  const std::string office = FindLibreOffice();
  if (office.empty()) return MissingLibreOfficeReason();
  if (CachedUnoPython(office).empty()) return MissingUnoReason();
  return {};
}

std::string CachedUnoPython(const std::string& office) {
  static std::mutex mutex;
  static std::map<std::string, std::string> found;
  std::lock_guard<std::mutex> lock(mutex);
  auto known = found.find(office);
  if (known == found.end()) known = found.emplace(office, FindUnoPython(office)).first;
  return known->second;
}

std::string MissingLibreOfficeReason() {
  return "PDF documents need LibreOffice Writer: install the package libreoffice-writer-nogui.";
}

std::string MissingUnoReason() {
  return "PDF documents need LibreOffice's Python bridge: install the package python3-uno.";
}

}  // namespace lorvane_pdf
