#!/usr/bin/env bash
# check_includes.sh [ROOT]: fails when an include crosses a boundary of the source tree.
#  - A module includes only modules on its own layer or below (the layers are declared once, here).
#  - Nothing under src/platform/ includes anything outside src/platform/.
#  - Qt, PortAudio and FreeType headers stay inside their backends.
set -u
root=${1:-$(dirname "$0")/..}
cd "$root" || exit 2

# The layers, lowest first; modules on one line are peers. A folder of src/ that is not named here
# is an error, so a new module must be placed. Sub-folders belong to their top folder
# (src/platform/qt is platform). A named module whose folder does not exist yet is fine.
layers=(
  "analysis settings files"
  "platform"
  "resources"
  "display"
  "audio"
  "measures"
  "interaction"
  "app"
  "scripting"
  "main"
)

bad=0
declare -A rank
for i in "${!layers[@]}"; do
  for m in ${layers[$i]}; do rank[$m]=$i; done
done

for dir in src/*/; do
  m=$(basename "$dir")
  if [ -z "${rank[$m]+set}" ] && [ -n "$(find "$dir" -name '*.cpp' -o -name '*.h' | head -n1)" ]; then
    echo "src/$m is on no layer: add it to the layers in tools/check_includes.sh"; bad=1
  fi
done

# Every quoted include of a module header: file, line, including module, included module.
while IFS=: read -r file line text; do
  from=${file#src/}; from=${from%%/*}
  [[ $text =~ \"([^/\"]+)/ ]] && to=${BASH_REMATCH[1]} || continue
  [ -n "${rank[$to]+set}" ] && [ -n "${rank[$from]+set}" ] || continue
  if [ "${rank[$to]}" -gt "${rank[$from]}" ]; then
    echo "$file:$line: $from includes $to, a higher layer: $text"; bad=1
  elif [ "$from" = platform ] && [ "$to" != platform ]; then
    echo "$file:$line: platform includes $to, outside platform: $text"; bad=1
  fi
done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[^/"]+/' src --include='*.h' --include='*.cpp' 2>/dev/null)

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
check 'pulse/' 'src/platform/pulse/'
check 'ft2build\.h|freetype/' 'src/platform/canvas/'
check 'png\.h' 'src/display/png_writer\.cpp|tests/interaction/'
if [ $bad -eq 0 ]; then echo "include boundaries hold"; fi
exit $bad
