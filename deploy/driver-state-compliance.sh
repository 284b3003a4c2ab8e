#!/bin/sh
# Whether this Mac complies: its driver is installed and enabled. For a
# device management service's policy or compliance check, which reads the
# exit status and shows the one line written:
#
#   status 0  enabled: ...              the driver is installed and enabled
#   status 1  installedNotEnabled: ...  the driver waits for approval or a restart
#             notInstalled: ...         the driver is not installed
#   status 2  unknown: REASON           a system tool could not be read; REASON
#                                       is the program's own line about it
#             assistantMissing: ...     the program is not there or cannot be run
#             noAnswer: ...             any other end of the program: its exit
#                                       status and, if it wrote one, its
#                                       standard error line
#
# The program is DRIVER_ASSISTANT when that is set, else the one the
# installer package puts in /Applications. The script writes no file (the
# program's standard error is taken through a command substitution), reads
# no input and waits for nothing but the program, which ends its own tool
# runs within their time limits; it needs only the shell.

set -u
app=${DRIVER_ASSISTANT-/Applications/DriverAssistant.app/Contents/MacOS/DriverAssistant}
nl='
'

if [ ! -f "$app" ] || [ ! -x "$app" ]; then
  printf 'assistantMissing: %s is not there or not executable\n' "$app"
  exit 2
fi

# Everything the program wrote on standard error (through descriptor 3),
# then, as the last line, its exit status and its word, or "-" when its
# standard output held anything but one of its words. Both are known only
# once it has ended, so that line comes after all of its standard error.
captured=$(
  { state=$("$app" --driver-state </dev/null 2>&3 3>&-); status=$?; } 3>&1
  case $state in
    enabled | installedNotEnabled | notInstalled | unknown) ;;
    *) state=- ;;
  esac
  printf '\n%s %s' "$status" "$state"
)
last=${captured##*"$nl"}
status=${last% *}
state=${last#* }

# The standard error on one line: its final line feeds dropped, any other
# written as \n, as the program writes its own lines.
rest=${captured%"$nl"*}
while :; do
  case $rest in
    *"$nl") rest=${rest%"$nl"} ;;
    *) break ;;
  esac
done
reason=
while :; do
  case $rest in
    *"$nl"*)
      reason=$reason${rest%%"$nl"*}'\n'
      rest=${rest#*"$nl"}
      ;;
    *)
      reason=$reason$rest
      break
      ;;
  esac
done

case $status:$state in
  0:enabled)
    printf '%s\n' "enabled: the driver is installed and enabled"
    exit 0
    ;;
  1:installedNotEnabled)
    printf '%s\n' "installedNotEnabled: the driver is installed but not enabled"
    exit 1
    ;;
  2:notInstalled)
    printf '%s\n' "notInstalled: the driver is not installed"
    exit 1
    ;;
  3:unknown)
    printf '%s\n' "unknown: $reason"
    exit 2
    ;;
esac
# The shell gives a program ended by signal N the status 128 + N.
line="noAnswer: the assistant ended with status $status"
if [ "$status" -gt 128 ] 2>/dev/null; then
  line="$line (signal $((status - 128)))"
fi
case $status in
  0 | 1 | 2 | 3) line="$line but without the word for it" ;;
esac
if [ -n "$reason" ]; then
  line="$line: $reason"
fi
printf '%s\n' "$line"
exit 2
