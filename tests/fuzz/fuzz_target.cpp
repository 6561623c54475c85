// libFuzzer entry: any byte string is a game to play; a broken invariant or
// a sanitizer report is a finding.
#include <cstdio>
#include <cstdlib>

#include "fuzz/play_script.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string e = playScript(data, size);
  if (!e.empty()) {
    std::fprintf(stderr, "invariant broken: %s\n", e.c_str());
    std::abort();
  }
  return 0;
}
