#include "platform/fileio/RegularFile.h"

#include <cerrno>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace ovri::korvane::fileio {

namespace {

class Descriptor {
public:
  explicit Descriptor(int fd) : fd(fd) {}
  ~Descriptor() {
    if (fd >= 0) ::close(fd);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int fd;
};

template <typename Buffer>
ReadResult readInto(const std::string& path, size_t maxBytes, Buffer& out) {
  out.clear();
  // O_NONBLOCK: opening a FIFO with no writer would otherwise wait forever.
  Descriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  if (file.fd < 0) return ReadResult::kCannotOpen;
  struct stat info;
  if (::fstat(file.fd, &info) != 0 || !S_ISREG(info.st_mode)) return ReadResult::kCannotOpen;
  if (info.st_size < 0 || static_cast<uintmax_t>(info.st_size) > maxBytes) return ReadResult::kTooLarge;
  const size_t size = static_cast<size_t>(info.st_size);
  try {
    out.resize(size);
  } catch (const std::bad_alloc&) {
    out = Buffer();
    return ReadResult::kTooLarge;
  }
  size_t done = 0;
  while (done < size) {
    const ssize_t got = ::pread(file.fd, reinterpret_cast<char*>(&out[0]) + done, size - done, static_cast<off_t>(done));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {  // an error, or the file was cut while we read it
      out = Buffer();
      return ReadResult::kFailed;
    }
    done += static_cast<size_t>(got);
  }
  return ReadResult::kRead;
}

}  // namespace

ReadResult readRegularFile(const std::string& path, size_t maxBytes, std::vector<uint8_t>& out) {
  return readInto(path, maxBytes, out);
}

ReadResult readRegularFile(const std::string& path, size_t maxBytes, std::string& out) {
  return readInto(path, maxBytes, out);
}

}  // namespace ovri::korvane::fileio
