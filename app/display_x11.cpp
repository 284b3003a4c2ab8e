#include "app/display.h"

#include <X11/Xlib.h>

#include <cstdlib>

namespace orventa {

bool displayReachable() {
  const char* name = std::getenv("DISPLAY");
  if (name == nullptr || *name == '\0') return false;
  // The connection stays open for the life of the process. An X server
  // without other clients resets when its last client leaves, and would then
  // refuse GNUstep's own connection a moment later.
  static Display* display = XOpenDisplay(name);
  return display != nullptr;
}

}  // namespace orventa
