// Captures what a run prints on standard output (and, unless
// ZORWOL_FUZZ_KEEP_STDERR is set for reading a crash report, on standard
// error) by pointing the descriptors at scratch files for the run.

#ifndef ZORWOL_FUZZ_CAPTURE_H_
#define ZORWOL_FUZZ_CAPTURE_H_

#include <string>

struct Captured {
  std::string out;
  std::string err;
};

void beginCapture();
Captured endCapture();

// Runs body with descriptors 1 and 2 redirected; returns what was written.
template <typename Body>
Captured capture(Body body) {
  beginCapture();
  body();
  return endCapture();
}

// A scratch file's path and an empty scratch folder, made once per process
// and removed at its exit.
const char* scratchFile();
const char* scratchFolder();

#endif  // ZORWOL_FUZZ_CAPTURE_H_
