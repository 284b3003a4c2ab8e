// Stand-in for Apple's <AvailabilityMacros.h>: the macOS version the code is
// built for (the deployment target, from -mmacosx-version-min) and the newest
// it may use, as numbers to compare with the MAC_OS_X_VERSION_* constants.
#pragma once

#define MAC_OS_X_VERSION_10_15 101500
#define MAC_OS_VERSION_11_0 110000
#define MAC_OS_VERSION_12_0 120000
#define MAC_OS_VERSION_13_0 130000
#define MAC_OS_VERSION_14_0 140000

#define MAC_OS_X_VERSION_MIN_REQUIRED __ENVIRONMENT_MAC_OS_X_VERSION_MIN_REQUIRED__
#define MAC_OS_X_VERSION_MAX_ALLOWED MAC_OS_VERSION_14_0
