#include "app/mode.h"

#include <cstring>

bool selfCheckRequested(int argc, const char* const* argv) {
  for (int i = 0; i < argc; ++i)
    if (argv[i] != nullptr && std::strcmp(argv[i], "--self-check") == 0) return true;
  return false;
}
