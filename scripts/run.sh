#!/usr/bin/env bash
# Starts a window program of the build. Without a graphical display Qt stops with its own "xcb" message,
# which does not say what to do; this says why and how to run without one.
set -uo pipefail

program=$1
shift
hint="Para ejecutarlo sin pantalla: xvfb-run make run"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No hay pantalla gráfica (la variable DISPLAY no está definida). $hint" >&2
  exit 1
fi

errors=$(mktemp)
trap 'rm -f "$errors"' EXIT
# The error output goes to the terminal as it comes, and into a file to look for the display error.
# The shell's own report of a program killed by a signal is left out.
exec 3>&1 4>&2
{
  "$program" "$@" 2>&1 >&3 3>&- 4>&- | tee "$errors" >&4
  status=${PIPESTATUS[0]}
} 2>/dev/null
exec 3>&- 4>&-
if [ "$status" -ne 0 ] && grep -q -e "could not connect to display" -e "no Qt platform plugin could be initialized" "$errors"; then
  echo "No se pudo abrir la pantalla gráfica \"${DISPLAY:-${WAYLAND_DISPLAY:-}}\". $hint" >&2
fi
exit "$status"
