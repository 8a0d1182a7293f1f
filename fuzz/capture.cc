#include "fuzz/capture.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

struct Stream {
  int fd;
  int saved = -1;
  int file = -1;
};

Stream out{STDOUT_FILENO};
Stream err{STDERR_FILENO};

bool keepStderr() { return std::getenv("ZORWOL_FUZZ_KEEP_STDERR") != nullptr; }

void redirect(Stream& s) {
  if (s.file < 0) {
    char name[] = "/tmp/zorwol-fuzz-capture-XXXXXX";
    s.file = mkstemp(name);
    if (s.file < 0) std::abort();
    unlink(name);
  }
  if (ftruncate(s.file, 0) != 0 || lseek(s.file, 0, SEEK_SET) != 0) std::abort();
  s.saved = dup(s.fd);
  if (s.saved < 0 || dup2(s.file, s.fd) < 0) std::abort();
}

std::string restore(Stream& s) {
  if (dup2(s.saved, s.fd) < 0) std::abort();
  close(s.saved);
  std::string text;
  char buffer[4096];
  ssize_t n;
  off_t offset = 0;
  while ((n = pread(s.file, buffer, sizeof buffer, offset)) > 0) {
    text.append(buffer, static_cast<std::size_t>(n));
    offset += n;
  }
  return text;
}

}  // namespace

void beginCapture() {
  (void)std::fflush(stdout);
  (void)std::fflush(stderr);
  redirect(out);
  if (!keepStderr()) redirect(err);
}

Captured endCapture() {
  (void)std::fflush(stdout);
  (void)std::fflush(stderr);
  Captured captured;
  captured.out = restore(out);
  if (!keepStderr()) captured.err = restore(err);
  return captured;
}

const char* scratchFile() {
  static const std::string path = [] {
    char name[] = "/tmp/zorwol-fuzz-file-XXXXXX";
    const int fd = mkstemp(name);
    if (fd < 0) std::abort();
    close(fd);
    (void)std::atexit([] { unlink(scratchFile()); });
    return std::string(name);
  }();
  return path.c_str();
}

const char* scratchFolder() {
  static const std::string path = [] {
    char name[] = "/tmp/zorwol-fuzz-folder-XXXXXX";
    if (mkdtemp(name) == nullptr) std::abort();
    (void)std::atexit([] { rmdir(scratchFolder()); });
    return std::string(name);
  }();
  return path.c_str();
}
