#include "tools/render/Batch.h"

#include "tools/render/Cleanup.h"
#include "tools/render/RenderFiles.h"

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <map>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace ovri::korvane::render {

namespace {

volatile sig_atomic_t batchSignal = 0;
constexpr int kMaxJobs = 256;
pid_t batchChildren[kMaxJobs];

extern "C" void forwardSignal(int signal) {
  batchSignal = signal;
  for (pid_t child : batchChildren)
    if (child > 0) ::kill(child, signal);
}

}  // namespace

int renderBatch(const Options& options, int (*renderSong)(Options&)) {
  const std::string& folder = options.outputFolder;
  struct stat info {};
  if (::stat(folder.c_str(), &info) != 0) {
    std::fprintf(stderr, "korvane-render: cannot write into %s: %s\n", folder.c_str(), reasonOf(errno).c_str());
    return kExitRefused;
  }
  if (!S_ISDIR(info.st_mode)) {
    std::fprintf(stderr, "korvane-render: cannot write into %s: is not a folder\n", folder.c_str());
    return kExitRefused;
  }
  OutputKind kind = OutputKind::WavFloat;
  if (!ovri::korvane::render::outputKindFor("song." + options.outputExtension, options.pcm24, kind)) {
    std::fprintf(stderr, "korvane-render: --format %s: unknown output format; it must be one of %s\n",
                 options.outputExtension.c_str(), ovri::korvane::render::outputExtensions().c_str());
    return kExitRefused;
  }
  // One output per song; two songs of one name would write one file.
  std::vector<std::pair<std::string, std::string>> songs;
  std::map<std::string, std::string> taken;
  for (const std::string& input : options.inputs) {
    std::string name = baseName(input);
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0) name.resize(dot);
    const std::string output = (folder == "/" ? "" : folder) + "/" + name + "." + options.outputExtension;
    if (!taken.emplace(output, input).second) {
      std::fprintf(stderr, "korvane-render: %s and %s would both be written to %s; nothing written\n",
                   taken[output].c_str(), input.c_str(), output.c_str());
      return kExitRefused;
    }
    songs.emplace_back(input, output);
  }
  if (songs.size() == 1) {
    Options one = options;
    one.input = songs[0].first;
    one.output = songs[0].second;
    ovri::korvane::render::installSignalCleanup();
    return renderSong(one);
  }

  char self[4096];
  const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
  if (length <= 0) {
    std::fprintf(stderr, "korvane-render: cannot find its own program: %s\n", reasonOf(errno).c_str());
    return kExitRefused;
  }
  self[length] = '\0';
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  const int32_t jobs = std::min<int32_t>(options.jobs > 0 ? options.jobs : static_cast<int32_t>(cores), kMaxJobs);

  struct sigaction action {};
  action.sa_handler = forwardSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);

  std::fflush(stdout);
  std::fflush(stderr);
  size_t started = 0;
  size_t finished = 0;
  size_t failed = 0;
  std::vector<size_t> songOf(kMaxJobs, 0);
  auto running = [&] { return static_cast<int32_t>(started - finished); };
  while (finished < songs.size()) {
    while (batchSignal == 0 && started < songs.size() && running() < jobs) {
      int32_t slot = 0;
      while (batchChildren[slot] > 0) ++slot;
      std::vector<std::string> arguments = {self};
      arguments.insert(arguments.end(), options.songArguments.begin(), options.songArguments.end());
      arguments.push_back("--no-progress");
      arguments.push_back(songs[started].first);
      arguments.push_back(songs[started].second);
      std::vector<char*> argv;
      for (std::string& a : arguments) argv.push_back(a.data());
      argv.push_back(nullptr);
      const pid_t child = ::fork();
      if (child == 0) {
        ::signal(SIGINT, SIG_DFL);
        ::signal(SIGTERM, SIG_DFL);
        ::execv(self, argv.data());
        ::_exit(127);
      }
      if (child < 0) {
        std::fprintf(stderr, "korvane-render: cannot start a render: %s\n", reasonOf(errno).c_str());
        return kExitRefused;
      }
      batchChildren[slot] = child;
      songOf[static_cast<size_t>(slot)] = started++;
    }
    if (running() == 0) break;  // a signal stopped the batch before the rest began
    int status = 0;
    const pid_t child = ::waitpid(-1, &status, 0);
    if (child < 0) {
      if (errno == EINTR) continue;
      break;
    }
    for (int32_t slot = 0; slot < kMaxJobs; ++slot) {
      if (batchChildren[slot] != child) continue;
      batchChildren[slot] = 0;
      ++finished;
      const auto& [input, output] = songs[songOf[static_cast<size_t>(slot)]];
      const bool ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
      failed += ok ? 0 : 1;
      std::printf("[%zu/%zu] %s -> %s: %s\n", finished, songs.size(), input.c_str(), output.c_str(),
                  ok ? "done" : "FAILED");
      std::fflush(stdout);
    }
  }
  if (batchSignal != 0) return 128 + batchSignal;
  if (failed > 0) std::fprintf(stderr, "korvane-render: %zu of %zu songs failed\n", failed, songs.size());
  return failed > 0 ? kExitRefused : kExitOk;
}

}  // namespace ovri::korvane::render
