#!/usr/bin/env bash
# Fails when a source includes a layer it must not see: Qt or the toolkit's Qt side outside
# Toolkit/, FFmpeg or SDL outside Engine/ (libswscale may also serve Toolkit/), or a project header
# against the direction
#   Base <- Files <- Engine <- PlayManager;  Base <- Toolkit;  App, Main on top;  tools on Files, Engine.
# Tests and benchmarks follow the rules of the layer they exercise (tests/Engine/ those of Engine/),
# and may use the toolkit's contract to run the UI thread's loop and the support files of tests/
# and bench/; only the toolkit's own tests and benchmarks see Qt.
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

# What a file may include: its layer's set; for a test or benchmark, the set of the layer it
# exercises, with the toolkit's contract and the test and benchmark support.
allowed_for() {
  local file=$1 layer=${1%%/*}
  case "$layer" in
    tests|bench)
      local sub=${file#*/}
      sub=${sub%%/*}
      [ "$sub" = "Tools" ] && sub=tools
      local set
      set=$(allowed_layers "$sub")
      if [ -z "$set" ] || [ "$set" = "*" ]; then echo "*"; else echo "$set Toolkit tests bench"; fi ;;
    *) allowed_layers "$layer" ;;
  esac
}

# The engine's contract: what other layers may include of it. The rest is the engine's own (and
# its tests' and benchmarks'). Finding activity and exporting evidence are offered to the player and
# the command line as they are to the engine's tests: their headers carry no library types, and
# the bounded-stop thread comes with the profiler that holds one.
engine_contract() {
  case "$1" in
    Engine/Movra.h|Engine/StrovaWrapper.h|Engine/RecordingWriter.h|Engine/FramePattern.h) return 0 ;;
    Engine/ActivityProfiler.h|Engine/ActivityScan.h|Engine/ActivityStore.h|Engine/EngineThread.h) return 0 ;;
    Engine/EvidenceExport.h|Engine/EvidenceLabels.h|Engine/EvidenceReport.h) return 0 ;;
    *) return 1 ;;
  esac
}
sees_engine_inside() {
  # The fuzz targets try the engine's own readers, as its tests do.
  case "$1" in Engine/*|tests/Engine/*|bench/Engine/*|tests/Fuzz/*) return 0 ;; *) return 1 ;; esac
}

# Where Qt and the toolkit's Qt side may be seen.
sees_qt() {
  case "$1" in Toolkit/*|tests/Toolkit/*|bench/Toolkit/*) return 0 ;; *) return 1 ;; esac
}

status=0
while IFS= read -r file; do
  layer=${file%%/*}
  allowed=$(allowed_for "$file")
  while IFS= read -r line; do
    header=$(sed -E 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"]([^>"]+)[>"].*/\1/' <<<"$line")
    case "$header" in
      Q*|Qt*/*) sees_qt "$file" || { echo "$file: Qt header <$header> outside Toolkit/"; status=1; } ;;
      Toolkit/Qt/*) sees_qt "$file" || { echo "$file: the toolkit's Qt side <$header> outside Toolkit/"; status=1; } ;;
      Engine/*) engine_contract "$header" || sees_engine_inside "$file" || { echo "$file: <$header> is the engine's own, not its contract"; status=1; } ;;
      Main/*) case "$file" in Main/*|App/main.cpp|tests/Main/*|bench/Main/*) ;; *) echo "$file: only the program's entry sees <$header>"; status=1 ;; esac ;;
      libswscale/*) case "$layer" in Engine|Toolkit) ;; tests|bench) ;; *) echo "$file: <$header> outside Engine/ and Toolkit/"; status=1 ;; esac ;;
      libav*/*|libsw*/*|SDL*) case "$layer" in Engine|tests|bench) ;; *) echo "$file: <$header> outside Engine/"; status=1 ;; esac ;;
    esac
    # A test's relative include ("../Engine/EngineTestSupport.h") is another test folder's support.
    case "$header" in ../*) case "$layer" in tests|bench) continue ;; esac ;; esac
    target=${header%%/*}
    if [ "$allowed" != "*" ] && [ -d "$target" ] && [ "$target" != "$header" ]; then
      case " $allowed " in *" $target "*) ;; *) echo "$file: $layer/ must not include $header"; status=1 ;; esac
    fi
  done < <(grep -E '^[[:space:]]*#[[:space:]]*include' "$file")
done < <(git ls-files --cached --others --exclude-standard -- '*.h' '*.hpp' '*.cpp' '*.cc')
exit $status
