#!/usr/bin/env bash
# Coverage-guided fuzzing with AFL++ (Debian's afl++ package), kept out of
# CI's time budget. Its GCC plugin compilers (afl-gcc-fast, afl-g++-fast)
# keep GCC, so the sources keep their CP932 execution character set. The
# harness is the suite's own runner: `scenewright_fuzz TARGET --replay FILE`
# feeds one input to one target, with the same rules the suite checks.
#
#   scripts/fuzz-afl.sh [MINUTES] [TARGET...]
#
# Targets default to the project reader, the scenario import and the
# picture decoders. Each runs for MINUTES (default 10); its queue and
# crashes land in build-afl/afl-TARGET. A crash replays with the sanitizer
# build: build-sanitize/tests/scenewright_fuzz TARGET --replay FILE.
set -euo pipefail
cd "$(dirname "$0")/.."

minutes=${1:-10}
shift $(( $# < 1 ? $# : 1 ))
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then targets=(project scenario bmp png jpeg); fi

if ! command -v afl-g++-fast >/dev/null; then
  echo "afl-g++-fast not found: apt-get install afl++ gcc-12-plugin-dev" >&2
  exit 2
fi

build=build-afl
CC=afl-gcc-fast CXX=afl-g++-fast cmake -S . -B "$build" -G Ninja \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
AFL_QUIET=1 cmake --build "$build" -j2 --target scenewright_fuzz scenewright-cli
fuzz=$(pwd)/$build/tests/scenewright_fuzz

data=tests/data
corpora() {
  case "$1" in
    project) echo "$data/fuzz/project examples/sample" ;;
    scenario) echo "$data/fuzz/scenario" ;;
    bmp|png|jpeg) echo "$data/fuzz/images" ;;
    *) echo "$data/fuzz/$1" ;;
  esac
}
pattern() {
  case "$1" in
    project) echo '*.swo' ;;
    scenario) echo '*.txt' ;;
    bmp) echo '*.bmp' ;;
    png) echo '*.png' ;;
    jpeg) echo '*.jpg' ;;
    *) echo '*' ;;
  esac
}

export AFL_SKIP_CPUFREQ=1 AFL_NO_UI=1 AFL_I_DONT_CARE_ABOUT_MISSING_CRASHES=1
for target in "${targets[@]}"; do
  out=$build/afl-$target
  seeds=$out/seeds
  rm -rf "$seeds"
  mkdir -p "$seeds"
  corpus_args=()
  for folder in $(corpora "$target"); do
    corpus_args+=(--corpus "$(pwd)/$folder")
    find "$folder" -maxdepth 1 -name "$(pattern "$target")" -size -64k -exec cp {} "$seeds" \;
  done
  echo "== $target: $(ls "$seeds" | wc -l) seeds, $minutes minutes"
  # A scratch folder of its own for the harness, removed afterwards.
  scratch=$(mktemp -d)
  TMPDIR=$scratch timeout --signal=INT $(( minutes * 60 + 30 )) \
    afl-fuzz -V $(( minutes * 60 )) -t 10000 -m none -i "$seeds" -o "$out" -- \
    "$fuzz" "$target" --replay @@ "${corpus_args[@]}" --time-limit 8 || true
  rm -rf "$scratch"
  if [ -f "$out/default/fuzzer_stats" ]; then
    grep -E '^(execs_done|corpus_count|saved_crashes|saved_hangs|bitmap_cvg)' \
      "$out/default/fuzzer_stats" | sed "s/^/$target: /"
  fi
done
