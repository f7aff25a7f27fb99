#include "platform/gui/ChildProcessSet.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

extern char** environ;

namespace VSTGUI {

struct ChildProcessSet::Record {
  pid_t pid = -1;
  int fd = -1;  // read end of the child's standard output; -1 at its end
  std::string output;
  IChildProcessClient* client = nullptr;  // null once the handle is gone
  bool owned = true;                      // the set still exists
};

namespace {

class Handle : public IChildProcess {
public:
  explicit Handle(std::shared_ptr<ChildProcessSet::Record> r) : record(std::move(r)) {}
  ~Handle() override {
    // Killed; the set reaps it on its next service() or when it goes.
    if (record->owned && record->client) {
      record->client = nullptr;
      kill(record->pid, SIGKILL);
    }
  }

private:
  std::shared_ptr<ChildProcessSet::Record> record;
};

void closeOutput(ChildProcessSet::Record& r) {
  if (r.fd >= 0) close(r.fd);
  r.fd = -1;
}

}  // namespace

ChildProcessSet::~ChildProcessSet() {
  auto all = std::move(records);
  for (auto& r : all) {
    r->owned = false;
    kill(r->pid, SIGKILL);
    closeOutput(*r);
    // Killed with a signal that cannot be caught: the wait is immediate.
    while (waitpid(r->pid, nullptr, 0) < 0 && errno == EINTR) {
    }
    if (IChildProcessClient* client = std::exchange(r->client, nullptr)) client->childProcessKilled();
  }
}

std::unique_ptr<IChildProcess> ChildProcessSet::start(const std::vector<std::string>& argv,
                                                      IChildProcessClient* client) {
  if (argv.empty()) return nullptr;
  int pipeFds[2];
  if (pipe2(pipeFds, O_CLOEXEC) != 0) return nullptr;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = -1;
  const int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pipeFds[1]);
  if (rc != 0) {
    close(pipeFds[0]);
    return nullptr;
  }
  fcntl(pipeFds[0], F_SETFL, fcntl(pipeFds[0], F_GETFL) | O_NONBLOCK);
  auto record = std::make_shared<Record>();
  record->pid = pid;
  record->fd = pipeFds[0];
  record->client = client;
  records.push_back(record);
  return std::make_unique<Handle>(record);
}

void ChildProcessSet::service() {
  // Copies: a client may start or drop processes from its callback.
  auto current = records;
  for (auto& r : current) {
    char buffer[4096];
    while (r->fd >= 0) {
      const ssize_t n = read(r->fd, buffer, sizeof buffer);
      if (n > 0) {
        r->output.append(buffer, static_cast<size_t>(n));
      } else if (n == 0) {
        closeOutput(*r);
      } else if (errno != EINTR) {
        if (errno != EAGAIN) closeOutput(*r);
        break;
      }
    }
    int status = 0;
    const pid_t done = waitpid(r->pid, &status, WNOHANG);
    if (done != r->pid) continue;
    // Ended: drain what is left, then report.
    while (r->fd >= 0) {
      const ssize_t n = read(r->fd, buffer, sizeof buffer);
      if (n > 0)
        r->output.append(buffer, static_cast<size_t>(n));
      else if (n == 0 || errno != EINTR)
        closeOutput(*r);
    }
    for (auto it = records.begin(); it != records.end(); ++it)
      if (*it == r) {
        records.erase(it);
        break;
      }
    r->owned = false;
    if (IChildProcessClient* client = std::exchange(r->client, nullptr))
      client->childProcessEnded(r->output, WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
}

std::vector<int> ChildProcessSet::descriptors() const {
  std::vector<int> fds;
  for (const auto& r : records)
    if (r->fd >= 0) fds.push_back(r->fd);
  return fds;
}

}  // namespace VSTGUI
