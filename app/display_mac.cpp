#include "app/display.h"

bool displayReachable() { return true; }
