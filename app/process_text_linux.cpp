#include <unistd.h>

#include <cerrno>

#include <string>
#include <string_view>
#include <vector>

#include "app/process_text.h"
#include "common/utf8_repair.h"

namespace orventa {

namespace {

bool wellFormed(char** list) {
  for (; list != nullptr && *list != nullptr; ++list) {
    const std::string_view text(*list);
    if (validUTF8Length(text) != text.size()) return false;
  }
  return true;
}

std::vector<std::string> repaired(char** list) {
  std::vector<std::string> texts;
  for (; list != nullptr && *list != nullptr; ++list) texts.push_back(repairedUTF8(*list));
  return texts;
}

std::vector<char*> pointersTo(std::vector<std::string>& texts) {
  std::vector<char*> pointers;
  for (std::string& text : texts) pointers.push_back(text.data());
  pointers.push_back(nullptr);
  return pointers;
}

}  // namespace

int reexecuteWithRepairedText(int argc, char** argv, char** envp) {
  (void)argc;
  if (wellFormed(argv) && wellFormed(envp)) return 0;
  std::vector<std::string> arguments = repaired(argv);
  std::vector<std::string> environment = repaired(envp);
  std::vector<char*> argumentPointers = pointersTo(arguments);
  std::vector<char*> environmentPointers = pointersTo(environment);
  // The repaired texts are well-formed, so the new start does not come here
  // again. Should it fail, GNUstep would end the program on the texts as
  // they are, before any answer: the caller ends it with a status of its own.
  ::execve("/proc/self/exe", argumentPointers.data(), environmentPointers.data());
  return errno;
}

}  // namespace orventa
