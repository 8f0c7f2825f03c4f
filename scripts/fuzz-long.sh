#!/usr/bin/env bash
# Long fuzzing runs of every reader, under AddressSanitizer and
# UndefinedBehaviorSanitizer: a seeded mutation loop (the project's sources
# need a CP932 execution character set, which clang does not offer, so
# libFuzzer is not an option).
#
#   scripts/fuzz-long.sh [RUNS] [FIRST_SEED] [SEEDS] [TARGET...]
#
# Each target gets SEEDS runs of RUNS mutations, seeds FIRST_SEED onwards.
# Findings are written to build-sanitize/fuzz-findings as crash-TARGET-SEED-RUN;
# replay one with: scenewright_fuzz TARGET --seed SEED --run RUN --corpus ...
# After fixing it, add the input to tests/data/fuzz/<target>/ (images to
# tests/data/fuzz/images/) so the suite keeps feeding it.
set -euo pipefail
cd "$(dirname "$0")/.."

runs=${1:-200000}
first=${2:-1}
seeds=${3:-1}
shift $(( $# < 3 ? $# : 3 ))
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then targets=(project scenario config bmp png jpeg); fi

cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DSCENEWRIGHT_SANITIZE=ON >/dev/null
cmake --build build-sanitize --target scenewright_fuzz
fuzz=build-sanitize/tests/scenewright_fuzz
findings=build-sanitize/fuzz-findings
mkdir -p "$findings"

data=tests/data
corpora() {
  case "$1" in
    project) echo "$data/fuzz/project $data/broken examples/sample" ;;
    scenario) echo "$data/fuzz/scenario" ;;
    config) echo "$data/fuzz/config examples/engine/system" ;;
    *) echo "$data/fuzz/images $data/broken-images" ;;
  esac
}

status=0
for target in "${targets[@]}"; do
  args=()
  for folder in $(corpora "$target"); do args+=(--corpus "$folder"); done
  for (( seed = first; seed < first + seeds; ++seed )); do
    echo "== $target seed $seed, $runs runs"
    ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
      "$fuzz" "$target" --runs "$runs" --seed "$seed" "${args[@]}" --crashes "$findings" ||
      status=1
  done
done
ls "$findings" | sed 's/^/finding: /' || true
exit $status
