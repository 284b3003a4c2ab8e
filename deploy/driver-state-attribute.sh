#!/bin/sh
# The driver's state as an inventory attribute for a device management
# service (an "extension attribute" in Jamf Pro's words): prints one line,
#
#   <result>WORD</result>
#
# where WORD is what `DriverAssistant --driver-state` answered (enabled,
# installedNotEnabled, notInstalled or unknown), assistantMissing when the
# program is not there or cannot be run, and noAnswer for anything else (a
# usage error, an answer that could not be written, a crash, a word that does
# not go with the program's exit status). Always exits 0: the attribute is
# the answer. The program's standard error (for unknown, the tool that could
# not be read and why, on one line) passes through.
#
# The program is DRIVER_ASSISTANT when that is set, else the one the
# installer package puts in /Applications. The script writes no file, reads
# no input and waits for nothing but the program, which ends its own tool
# runs within their time limits; it needs only the shell.

set -u
app=${DRIVER_ASSISTANT-/Applications/DriverAssistant.app/Contents/MacOS/DriverAssistant}

if [ ! -f "$app" ] || [ ! -x "$app" ]; then
  word=assistantMissing
else
  state=$("$app" --driver-state </dev/null)
  status=$?
  # A word counts only with its own status: anything else is no answer.
  case $status:$state in
    0:enabled | 1:installedNotEnabled | 2:notInstalled | 3:unknown) word=$state ;;
    *) word=noAnswer ;;
  esac
fi
printf '<result>%s</result>\n' "$word"
exit 0
