#include "app/process_text.h"

void prepareProcessText(int, char**, char**) {}
