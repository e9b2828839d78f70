#!/usr/bin/env bash
# The Windows end-to-end test: e2e-windows.sh DEMO_SITE PREFIX PROGRAM [ARGS...].
# In a network and mount namespace of its own, the demo site (a program for
# this machine) listens on 127.0.0.1:80 and the platform's host names point
# there through a private /etc/hosts, so that quorrin.exe as built for users
# talks to it; then PROGRAM (the test, under Wine on a virtual display) drives
# quorrin.exe. Without the rights for namespaces it says so and is skipped
# (exit code 77).
set -euo pipefail
if [ $# -lt 3 ]; then
  echo "usage: e2e-windows.sh DEMO_SITE PREFIX PROGRAM [ARGS...]" >&2
  exit 2
fi
here=$(cd "$(dirname "$0")" && pwd)
if [ "${QUORRIN_E2E_INSIDE:-}" != 1 ]; then
  if ! unshare -mn true 2>/dev/null; then
    echo "e2e-windows.sh: no network namespace can be made here (needs root); skipped"
    exit 77
  fi
  exec env QUORRIN_E2E_INSIDE=1 unshare -mn "$0" "$@"
fi

site=$1
shift
ip link set lo up
hosts=$(mktemp)
log=$(mktemp)
trap 'kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; rm -f "$hosts" "$log"' EXIT
{
  echo "127.0.0.1 localhost"
  echo "127.0.0.1 www.yy.com shenqu.yy.com"
} >"$hosts"
mount --bind "$hosts" /etc/hosts
"$site" 80 >"$log" 2>&1 &
pid=$!
for _ in $(seq 100); do
  grep -q '^listening on ' "$log" && break
  sleep 0.05
done
grep -q '^listening on 127.0.0.1:80' "$log" || {
  echo "e2e-windows.sh: the demo site did not start:" >&2
  cat "$log" >&2
  exit 1
}
QUORRIN_E2E=1 "$here/wine-gui-run.sh" "$@"
