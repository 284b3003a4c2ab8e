#include "app/display.h"

#include <X11/Xlib.h>

#include <cstdlib>

bool displayReachable() {
  const char* name = std::getenv("DISPLAY");
  if (name == nullptr || *name == '\0') return false;
  Display* display = XOpenDisplay(name);
  if (display == nullptr) return false;
  XCloseDisplay(display);
  return true;
}
