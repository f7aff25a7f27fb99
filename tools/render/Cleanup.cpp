#include "tools/render/Cleanup.h"

#include <limits.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstring>

namespace ovri::korvane::render {

namespace {

// 16 stems, each a raw and an encoded partial file, and room to spare.
constexpr int kMaxFiles = 64;
char registered[kMaxFiles][PATH_MAX];
std::atomic<int> registeredCount{0};

extern "C" void removeAndExit(int signal) {
  const int count = registeredCount.load();
  for (int i = 0; i < count; ++i) ::unlink(registered[i]);
  ::_exit(128 + signal);
}

}  // namespace

void installSignalCleanup() {
  struct sigaction action {};
  action.sa_handler = removeAndExit;
  sigemptyset(&action.sa_mask);
  sigaddset(&action.sa_mask, SIGINT);
  sigaddset(&action.sa_mask, SIGTERM);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

void removeOnSignal(const std::string& path) {
  for (int i = 0; i < registeredCount.load(); ++i)
    if (path == registered[i]) return;
  const int slot = registeredCount.load();
  if (slot >= kMaxFiles || path.size() >= PATH_MAX) return;
  std::memcpy(registered[slot], path.c_str(), path.size() + 1);
  registeredCount.store(slot + 1);
}

}  // namespace ovri::korvane::render
