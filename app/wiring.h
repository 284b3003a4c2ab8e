#pragma once
// The real platform operations, wired into the logic. Only main uses these.

#include "app/self_check.h"

/// The self-check with the real classifier, package verification and
/// standard error.
SelfCheckOperations realSelfCheckOperations();

/// What normal mode does once launching has finished: the assistant flow,
/// with AppKit alerts when `withDisplay`, with the terminal presenter otherwise.
void runAssistantAfterLaunch(bool withDisplay);
