#include "app/wiring.h"

void runAssistantAfterLaunch(bool withDisplay) { (void)withDisplay; }
