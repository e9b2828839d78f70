# Sourced by the Wine runners (wine-run.sh, wine-gui-run.sh): checks the
# arguments, takes the prefix from the first one and quiets Wine. The program
# and its arguments are left in "$@".
if [ $# -lt 2 ]; then
  echo "usage: $(basename "$0") PREFIX PROGRAM [ARGS...]" >&2
  exit 2
fi
WINEPREFIX=$(realpath -m "$1")
export WINEPREFIX
shift
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
unset WAYLAND_DISPLAY
