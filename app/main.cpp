// deskball: a bat-and-ball game played on the desktop itself.
//
// The entry: open the platform, build the one form (which snapshots the
// screen and sets up the first game before its window shows), run the
// message loop until the form closes. A failure at start-up is shown and
// ends the program with exit code 1.
#include <cstdio>
#include <exception>
#include <string>

#include "app/form.h"
#include "platform/host.h"

int main() {
  std::unique_ptr<plat::Host> host;
  try {
    host = plat::createHost();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "deskball: %s\n", e.what());
    return 1;
  }
  try {
    TForm1 Form1(*host);
    host->run();
  } catch (const std::exception& e) {
    // The error display also writes the text to the terminal, where there is one.
    host->errorBox(std::string(e.what()) + ".", ApplicationTitle);
    return 1;
  }
  return 0;
}
