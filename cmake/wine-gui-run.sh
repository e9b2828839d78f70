#!/usr/bin/env bash
# Runs a Windows program that makes windows under Wine, on a virtual X display
# of its own: wine-gui-run.sh PREFIX PROGRAM [ARGS...]. The prefix is made on
# first use with a CJK font that Wine's fonts link to, so that the Chinese
# texts are drawn as on a Chinese Windows. The prefix's server goes with the
# display when the program ends. With QUORRIN_DISPLAY set, that display is
# used instead (and kept).
set -euo pipefail
source "$(dirname "$0")/wine-env.sh"

cjk_font=/usr/share/fonts/truetype/wqy/wqy-microhei.ttc
if [ ! -f "$WINEPREFIX/.quorrin-gui" ]; then
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock 9
    if [ ! -f "$WINEPREFIX/.quorrin-gui" ]; then
      DISPLAY='' wineboot --init >/dev/null 2>&1 || {
        echo "wine-gui-run.sh: cannot create the Wine prefix $WINEPREFIX" >&2
        exit 1
      }
      # The title bar's button glyphs (Wine's Marlett, from fonts-wine).
      if [ -f /usr/share/wine/fonts/marlett.ttf ]; then
        ln -sf /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
      fi
      if [ -f "$cjk_font" ]; then
        ln -sf "$cjk_font" "$WINEPREFIX/drive_c/windows/Fonts/wqy-microhei.ttc"
        # The fonts of the controls, message boxes and title bars fall back
        # to it for the characters they lack.
        for face in Tahoma "Microsoft Sans Serif" "MS Shell Dlg" "MS Shell Dlg 2" "Segoe UI"; do
          DISPLAY='' wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
            /v "$face" /t REG_MULTI_SZ /d 'wqy-microhei.ttc,WenQuanYi Micro Hei' /f >/dev/null 2>&1
        done
      fi
      # One virtual desktop, in which Wine draws the frames and title bars
      # itself as Windows does (Xvfb has no window manager).
      DISPLAY='' wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
      DISPLAY='' wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1280x1024 /f \
        >/dev/null 2>&1
      wineserver --wait
      touch "$WINEPREFIX/.quorrin-gui"
    fi
  ) 9>"$WINEPREFIX.lock"
fi

if [ -n "${QUORRIN_DISPLAY:-}" ]; then
  DISPLAY=$QUORRIN_DISPLAY exec wine "$@"
fi
# The server is ended with the program: the next program comes with another
# display, which a server still up would not take.
exec xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" bash -c '
  status=0
  wine "$@" || status=$?
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  exit $status' wine-gui-run "$@"
