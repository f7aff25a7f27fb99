#pragma once

#include "platform/gui/CFrame.h"

#include <sys/types.h>

#include <memory>
#include <string>
#include <vector>

namespace VSTGUI {

// Child processes of one platform frame whose standard output is read
// without blocking (POSIX pipes; nothing window-specific). service() reads
// what is there, reaps ended processes with WNOHANG and reports their ends;
// the owner calls it when a descriptor is readable or on a timer. Dropping
// a process's handle kills it; destroying the set kills every process and
// tells its client.
class ChildProcessSet {
public:
  ChildProcessSet() = default;
  ~ChildProcessSet();
  ChildProcessSet(const ChildProcessSet&) = delete;
  ChildProcessSet& operator=(const ChildProcessSet&) = delete;

  std::unique_ptr<IChildProcess> start(const std::vector<std::string>& argv, IChildProcessClient* client);
  void service();
  // Output descriptors still open.
  std::vector<int> descriptors() const;
  bool empty() const { return records.empty(); }

  struct Record;

private:
  std::vector<std::shared_ptr<Record>> records;
};

}  // namespace VSTGUI
