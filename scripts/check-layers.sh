#!/usr/bin/env bash
# Fails when a source includes a layer it must not see: Qt outside Toolkit/ (and the tests that need
# the toolkit's main loop), FFmpeg or SDL outside Engine/ (libswscale may also serve Toolkit/), or
# a project header against the direction
#   Base <- Files <- Engine <- PlayManager;  Base <- Toolkit;  App, Main on top;  tools on Files, Engine.
set -uo pipefail
cd "$(dirname "$0")/.."

allowed_layers() {
  case "$1" in
    Base) echo "Base" ;;
    Files) echo "Base Files" ;;
    Engine) echo "Base Files Engine" ;;
    PlayManager) echo "Base Files Engine PlayManager" ;;
    Toolkit) echo "Base Toolkit" ;;
    tools) echo "Base Files Engine tools" ;;
    App|Main|tests|bench) echo "*" ;;
  esac
}

status=0
while IFS= read -r file; do
  layer=${file%%/*}
  allowed=$(allowed_layers "$layer")
  while IFS= read -r line; do
    header=$(sed -E 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"]([^>"]+)[>"].*/\1/' <<<"$line")
    case "$header" in
      Q*|Qt*/*) case "$file" in Toolkit/*|tests/Toolkit/*|bench/Toolkit/*|tests/PlayManager/*|bench/PlayManager/*) ;; *) echo "$file: Qt header <$header> outside Toolkit/"; status=1 ;; esac ;;
      libswscale/*) case "$layer" in Engine|Toolkit) ;; tests|bench) ;; *) echo "$file: <$header> outside Engine/ and Toolkit/"; status=1 ;; esac ;;
      libav*/*|libsw*/*|SDL*) case "$layer" in Engine|tests|bench) ;; *) echo "$file: <$header> outside Engine/"; status=1 ;; esac ;;
    esac
    target=${header%%/*}
    if [ "$allowed" != "*" ] && [ -d "$target" ] && [ "$target" != "$header" ]; then
      case " $allowed " in *" $target "*) ;; *) echo "$file: $layer/ must not include $header"; status=1 ;; esac
    fi
  done < <(grep -E '^[[:space:]]*#[[:space:]]*include' "$file")
done < <(git ls-files --cached --others --exclude-standard -- '*.h' '*.hpp' '*.cpp' '*.cc')
exit $status
