#!/usr/bin/env bash
# Rewrites examples/sample/sample.swo from make_sample.py, then lets the
# program itself write it once so that the file is exactly what it saves.
# Usage: scripts/sample/regenerate.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/../.."
cli=${1:-build}/src/cli/scenewright-cli
sample=examples/sample/sample.swo
python3 scripts/sample/make_sample.py scripts/sample/settings.xml | sed 's/$/\r/' | iconv -f UTF-8 -t CP932 > "$sample"
"$cli" resave "$sample" "$sample"
