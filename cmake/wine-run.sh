#!/usr/bin/env bash
# Runs a Windows program under Wine in the given prefix: wine-run.sh PREFIX
# PROGRAM [ARGS...]. The prefix is created quietly on first use (without the
# Mono and Gecko installers), guarded by a lock because test discovery may
# start several programs at once. Wine's own messages are silenced.
set -euo pipefail
source "$(dirname "$0")/wine-env.sh"
unset DISPLAY
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock 9
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
      wineboot --init >/dev/null 2>&1 || {
        echo "wine-run.sh: cannot create the Wine prefix $WINEPREFIX" >&2
        exit 1
      }
      wineserver --wait
    fi
  ) 9>"$WINEPREFIX.lock"
fi
# Start the prefix's server ourselves, detached from our output: a server that
# wine starts inherits the program's output and holds it open for seconds
# after the program ends, which CTest waits for. It stays up between programs
# and ends 3 seconds after the last one. (When one runs already, this one
# leaves at once.)
wineserver -p3 </dev/null >/dev/null 2>&1 || true
exec wine "$@"
