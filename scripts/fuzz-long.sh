#!/usr/bin/env bash
# Long fuzzing runs of every reader, under AddressSanitizer and
# UndefinedBehaviorSanitizer: a seeded mutation loop (the project's sources
# need a CP932 execution character set, which clang does not offer, so
# libFuzzer is not an option; scripts/fuzz-afl.sh adds coverage guidance).
#
#   scripts/fuzz-long.sh [MINUTES] [FIRST_SEED] [TARGET...]
#
# Each target runs for MINUTES (default 10) with mutation seed FIRST_SEED,
# every input under a time and memory limit.
# Findings are written to $BUILD_DIR/fuzz-findings as crash-TARGET-SEED-RUN
# and the command that replays each is printed. After fixing one, add the
# input to tests/data/fuzz/<target>/ (images to tests/data/fuzz/images/) so
# the suite keeps feeding it. The closing lines give each target's
# executions and what share of the inputs opened, built or decoded.
set -euo pipefail
cd "$(dirname "$0")/.."

minutes=${1:-10}
first=${2:-1}
shift $(( $# < 2 ? $# : 2 ))
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=(project scenario config bmp png jpeg tsv clipboard ini recovery args xp3 kag)
fi
build=${BUILD_DIR:-build-sanitize}

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DSCENEWRIGHT_SANITIZE=ON >/dev/null
cmake --build "$build" -j2 --target scenewright_fuzz scenewright-cli
fuzz=$build/tests/scenewright_fuzz
findings=$build/fuzz-findings
mkdir -p "$findings"

data=tests/data
corpora() {
  case "$1" in
    project) echo "$data/fuzz/project $data/broken examples/sample" ;;
    recovery) echo "$data/fuzz/project examples/sample" ;;
    config) echo "$data/fuzz/config examples/engine/system" ;;
    bmp|png|jpeg) echo "$data/fuzz/images $data/broken-images" ;;
    xp3) ;; # its seeds are built in: archives of our own packer
    kag) echo "$data/kag/game/scenario" ;;
    *) echo "$data/fuzz/$1" ;;
  esac
}

status=0
summary=()
for target in "${targets[@]}"; do
  args=()
  for folder in $(corpora "$target"); do
    [ -d "$folder" ] || { echo "missing corpus folder $folder" >&2; exit 2; }
    args+=(--corpus "$folder")
  done
  # Each run in a temporary folder of its own, removed afterwards.
  scratch=$(mktemp -d)
  line=$(TMPDIR=$scratch ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    "$fuzz" "$target" --runs 100000000 --seconds $(( minutes * 60 )) --seed "$first" \
    "${args[@]}" --crashes "$findings" --time-limit 60 --memory-limit 4096 | tail -n 1) ||
    status=1
  rm -rf "$scratch"
  echo "== $line"
  summary+=("$line")
done
printf '%s\n' "${summary[@]}"
ls "$findings" | sed 's/^/finding: /' || true
exit $status
