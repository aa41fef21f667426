#!/usr/bin/env bash
# Fails when a file outside its backend includes a Qt, PortAudio or FreeType header.
set -u
root=${1:-$(dirname "$0")/..}
cd "$root" || exit 2
bad=0
check() {
  local pattern=$1 allowed=$2
  local hits
  hits=$(grep -rnE "^[[:space:]]*#[[:space:]]*include[[:space:]]*[<\"]($pattern)" src tests bench tools 2>/dev/null | grep -vE "^($allowed)" || true)
  if [ -n "$hits" ]; then
    echo "Headers included outside their backend:"; echo "$hits"; bad=1
  fi
}
check 'Q[A-Za-z]+|qt[a-z]*/' 'src/platform/qt/|tests/gui/'
check 'portaudio\.h' 'src/platform/portaudio/'
check 'ft2build\.h|freetype/' 'src/platform/canvas/'
check 'png\.h' 'src/display/png_writer\.cpp|tests/interaction/'
if [ $bad -eq 0 ]; then echo "include boundaries hold"; fi
exit $bad
