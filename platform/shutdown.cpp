// The clean-up registry and the immediate end of the process.
#include "platform/shutdown.h"

#include <cstdio>
#include <cstdlib>
#include <map>
#include <utility>

namespace {
struct Registry {
  std::map<int, std::function<void()>> cleanups;
  int nextId = 1;
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}
}  // namespace

int RegisterCleanup(std::function<void()> cleanup) {
  Registry& registry = TheRegistry();
  const int id = registry.nextId++;
  registry.cleanups.emplace(id, std::move(cleanup));
  return id;
}

void UnregisterCleanup(int id) { TheRegistry().cleanups.erase(id); }

void RunCleanups() {
  std::map<int, std::function<void()>> pending;
  pending.swap(TheRegistry().cleanups);
  for (auto it = pending.rbegin(); it != pending.rend(); ++it) {
    try {
      if (it->second) it->second();
    } catch (...) {
      // A clean-up that fails must not keep the others from running.
    }
  }
}

void EndProgramNow() {
  RunCleanups();
  std::fflush(nullptr);
  std::_Exit(0);
}
