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

if ! command -v afl-fuzz >/dev/null; then
  echo "afl-fuzz not found: apt-get install afl++ gcc-12-plugin-dev" >&2
  exit 2
fi

# The GCC plugin compilers first. Debian 12's afl++ 4.04c plugin refuses
# the gcc 12.2.0-14+deb12u1 it is installed beside ("GCC and plugin have
# incompatible versions, expected GCC 12.2.0, is 12.2.0": the plugin was
# built against 12.2.0-14); then the classic afl-gcc/afl-g++, which also
# keep GCC and instrument through the assembler.
probe=$(mktemp -d)
echo 'int main() { return 0; }' > "$probe/probe.cc"
if afl-g++-fast "$probe/probe.cc" -o "$probe/probe" >/dev/null 2>&1; then
  cc=afl-gcc-fast cxx=afl-g++-fast
else
  echo "note: afl-g++-fast does not work here; using afl-g++" >&2
  cc=afl-gcc cxx=afl-g++
fi
rm -rf "$probe"

build=build-afl
CC=$cc CXX=$cxx cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
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
