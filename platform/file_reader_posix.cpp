// Reading a file's content with open/read; only regular files are read.
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/file_reader.h"

namespace {

class FdStream final : public FileReadStream {
 public:
  explicit FdStream(int fd) : fd_(fd) {}
  ~FdStream() override { close(fd_); }
  FdStream(const FdStream&) = delete;
  FdStream& operator=(const FdStream&) = delete;

  long long Read(char* buffer, size_t size) override {
    for (;;) {
      ssize_t n = read(fd_, buffer, size);
      if (n >= 0) return n;
      if (errno != EINTR) return -1;
    }
  }

 private:
  int fd_;
};

class PosixFileReader final : public FileReader {
 public:
  std::unique_ptr<FileReadStream> OpenForRead(const NativeString& path) override {
    // Non-blocking open: a FIFO named x.txt must not wait for a writer. It is refused below.
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return nullptr;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
      close(fd);
      return nullptr;
    }
    int flags = fcntl(fd, F_GETFL);
    if (flags != -1) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return std::make_unique<FdStream>(fd);
  }
};

}  // namespace

FileReader& PlatformFileReader() {
  static PosixFileReader reader;
  return reader;
}
