#include "driver/build_constants.h"
#include "ui/open_package.h"

// xdg-open's own exit status decides: its output goes nowhere and the call
// returns when xdg-open has exited, so the program it starts, which may run
// for as long as the user likes, holds nothing up.
bool openPackage(const std::string& path) {
  return openWithXdgOpen(path, [](const std::string& tool, const std::vector<std::string>& arguments) {
    return runWithoutOutput(tool, arguments, openerTimeLimit);
  });
}
