#!/usr/bin/env bash
# Fails when a file of the core includes a header of a layer above its own.
# Layers, lowest first; each may include its own and those listed for it.
#   scripts/check-layers.sh [SOURCE_DIR]
set -euo pipefail
core=${1:-$(cd "$(dirname "$0")/.." && pwd)}/src/core

declare -A allowed=(
    [platform]="platform"
    [imaging]="platform imaging"
    [format]="platform format"
    [model]="platform format model"
    [scenario]="platform imaging format model scenario"
    [document]="platform imaging format model scenario document"
)

status=0
for layer in "${!allowed[@]}"; do
    [ -d "$core/$layer" ] || { echo "missing layer folder $layer" >&2; status=1; continue; }
    while IFS=: read -r file line text; do
        [[ $text =~ \#include\ \"([a-z]+)/ ]] && target=${BASH_REMATCH[1]}
        if [[ " ${allowed[$layer]} " != *" $target "* ]]; then
            echo "${file#"$core"/}:$line: $layer may not include $target: $text"
            status=1
        fi
    done < <(grep -rnE '^#include "[a-z]+/' "$core/$layer" || true)
done
# Every folder of the core is a layer named above.
for folder in "$core"/*/; do
    name=$(basename "$folder")
    [ -n "${allowed[$name]+x}" ] || { echo "folder $name is no layer" >&2; status=1; }
done
[ $status -eq 0 ] && echo "layers: no include goes upward"
exit $status
