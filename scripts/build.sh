#!/usr/bin/env bash
# Builds one CMake preset (release by default), showing only what tells something: the files compiled
# and linked, warnings and errors. A build with nothing to do prints one short line.
set -uo pipefail
shopt -s lastpipe

preset=${1:-release}
shown=0
cmake --build --preset "$preset" 2>&1 | while IFS= read -r line; do
  case "$line" in
    *"Built target "* | *"Automatic MOC "* | \
      *"Consolidate compiler generated dependencies of target "* | *"Scanning dependencies of target "* | \
      *"make"*": Entering directory "* | *"make"*": Leaving directory "*)
      continue ;;
  esac
  printf '%s\n' "$line"
  shown=1
done
status=$?
if [ "$status" -eq 0 ] && [ "$shown" -eq 0 ]; then
  echo "Nada que compilar ($preset): todo está al día."
fi
exit "$status"
