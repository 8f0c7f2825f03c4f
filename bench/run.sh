#!/bin/bash
# Times open, save, build and chart layout of generated projects of 2,000 and
# 4,000 scenes (50 cells each), a build with 200 MiB of media and a second
# build with the media unchanged, a preview (play from here) and a second
# one against that second build, beside `xmllint --noout` on the same file
# and `cp -r` of the same media; and in the editor's main window (offscreen):
# one cell edit, one scene property edit, adding a scene, undo and redo until
# the window is idle, the longest stall of the window during an autosave, a
# save and an open, and two builds against the command line's build. Every
# figure is the median of ROUNDS runs (the editor's edits: of 21 each).
# Ratios are printed as "ratio NAME VALUE" lines for scripts.
#   bench/run.sh            (BUILD_DIR, WORK_DIR and ROUNDS may be set)
set -euo pipefail

source_dir=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$source_dir/build-release}
work=${WORK_DIR:-/tmp/scenewright-bench}
rounds=${ROUNDS:-5}
config=$source_dir/examples/engine/system/config.tjs

if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$source_dir" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DSCENEWRIGHT_BUILD_TESTS=OFF >/dev/null
fi
cmake --build "$build" -j2 --target scenewright_project_bench scenewright_layout_bench \
    scenewright_edit_bench >/dev/null
project_bench=$build/bench/scenewright_project_bench
layout_bench=$build/bench/ui/scenewright_layout_bench
edit_bench=$build/bench/ui/scenewright_edit_bench

now() { date +%s.%N; }
median() { tr ' ' '\n' | grep . | sort -g | awk '{v[NR]=$1} END {print v[int((NR+1)/2)]}'; }
divide() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", a / b}'; }
# The figure named $1 from the output of one driver run.
field() { awk -v name="$1" '$1 == name {print $2}'; }

# A fresh build folder with the engine's configuration in place.
fresh_root() {
    rm -rf "$1"
    mkdir -p "$1/system"
    cp "$config" "$1/system/config.tjs"
}

# Runs the driver ROUNDS times ("$@" its arguments; $prepare run before
# each) and prints the median of its own timing.
time_driver() {
    local times=""
    for _ in $(seq "$rounds"); do
        $prepare
        sync
        times="$times $("$@" | field seconds)"
    done
    echo "$times" | median
}

# Times a whole command ROUNDS times.
time_command() {
    local times="" start
    for _ in $(seq "$rounds"); do
        $prepare
        sync
        start=$(now)
        "$@" >/dev/null
        times="$times $(awk -v a="$start" -v b="$(now)" 'BEGIN {print b - a}')"
    done
    echo "$times" | median
}

rm -rf "$work"
mkdir -p "$work"
declare -A figure

for scenes in 2000 4000; do
    dir=$work/p$scenes
    "$project_bench" generate "$dir" "$scenes" 0 >/dev/null
    file=$dir/project.swo
    bytes=$(stat -c %s "$file")
    prepare=:
    figure[parse$scenes]=$(time_command xmllint --noout "$file")
    figure[open$scenes]=$(time_driver "$project_bench" open "$file")
    figure[save$scenes]=$(time_driver "$project_bench" save "$file" "$dir/saved.swo")
    prepare="fresh_root $dir/game"
    figure[build$scenes]=$(time_driver "$project_bench" build "$file" "$dir/game")
    prepare=:
    figure[layout$scenes]=$("$layout_bench" "$file" | field seconds)
    rss=$("$project_bench" open "$file" | field peak_rss_kib)
    figure[rss$scenes]=$(divide "$((rss * 1024))" "$bytes")
    printf '%d scenes, %d cells, project file %.1f MiB\n' "$scenes" "$((scenes * 50))" \
        "$(divide "$bytes" 1048576)"
    printf '  xmllint --noout %8.3f s\n' "${figure[parse$scenes]}"
    printf '  open            %8.3f s   peak RSS %.1f MiB (%sx the file)\n' \
        "${figure[open$scenes]}" "$(divide "$rss" 1024)" "${figure[rss$scenes]}"
    printf '  save            %8.3f s\n' "${figure[save$scenes]}"
    printf '  build (small media) %4.3f s\n' "${figure[build$scenes]}"
    printf '  chart layout    %8.4f s\n' "${figure[layout$scenes]}"
    # The editor: each figure a median of its own rounds; the builds once.
    fresh_root "$dir/editor-game"
    edits=$(QT_QPA_PLATFORM=offscreen "$edit_bench" "$file" "$dir/editor-game" 2>/dev/null)
    for what in cell_edit scene_edit add_scene undo redo autosave_stall save_stall open_stall \
        build_first build_second; do
        figure[${what}$scenes]=$(echo "$edits" | field "$what")
    done
    printf '  editor: cell edit %.4f s, scene edit %.4f s, add scene %.4f s\n' \
        "${figure[cell_edit$scenes]}" "${figure[scene_edit$scenes]}" "${figure[add_scene$scenes]}"
    printf '          undo %.4f s, redo %.4f s\n' "${figure[undo$scenes]}" "${figure[redo$scenes]}"
    printf '          longest stall: autosave %.4f s, save %.4f s, open %.4f s\n' \
        "${figure[autosave_stall$scenes]}" "${figure[save_stall$scenes]}" "${figure[open_stall$scenes]}"
    printf '          build %.3f s, a second build %.3f s\n' "${figure[build_first$scenes]}" \
        "${figure[build_second$scenes]}"
    if "$project_bench" roundtrip "$file" "$dir/again1.swo" "$dir/again2.swo" >/dev/null &&
        cmp -s "$file" "$dir/again1.swo"; then
        echo "  round trip: read-write-read-write byte-identical"
    else
        echo "  round trip: FAILED, the written files differ"
    fi
done

# The same 2,000 scenes with 200 MiB of media.
dir=$work/media
"$project_bench" generate "$dir" 2000 200 >/dev/null
file=$dir/project.swo
prepare="fresh_root $dir/game"
figure[media_first]=$(time_driver "$project_bench" build "$file" "$dir/game")
prepare=:
figure[media_second]=$(time_driver "$project_bench" build "$file" "$dir/game")
prepare="rm -rf $dir/copied"
figure[cp]=$(time_command cp -r "$dir/media" "$dir/copied")
echo "2000 scenes with $(du -sm "$dir/media" | cut -f1) MiB of media"
printf '  cp -r of the media   %8.3f s\n' "${figure[cp]}"
printf '  first build          %8.3f s\n' "${figure[media_first]}"
printf '  second build         %8.3f s (media unchanged)\n' "${figure[media_second]}"

# The media's share of the build: the same project built with small media.
copy_part=$(awk -v a="${figure[media_first]}" -v b="${figure[build2000]}" 'BEGIN {print a - b}')
printf '  first build less the build with small media %8.3f s\n' "$copy_part"

# Play from here into a preview folder whose media are in place (one preview
# before the rounds fills it): a preview in a fresh process, and a second one
# of the unchanged project in the same process.
"$project_bench" preview "$file" "$dir/game" "$dir/preview" >/dev/null
previews="" second_previews=""
for _ in $(seq "$rounds"); do
    sync
    out=$("$project_bench" preview "$file" "$dir/game" "$dir/preview")
    previews="$previews $(echo "$out" | field seconds)"
    second_previews="$second_previews $(echo "$out" | field second_seconds)"
done
figure[preview]=$(echo "$previews" | median)
figure[preview_second]=$(echo "$second_previews" | median)
printf '  preview              %8.3f s (media in place)\n' "${figure[preview]}"
printf '  second preview       %8.3f s (same session, project unchanged)\n' \
    "${figure[preview_second]}"

echo "aims: open_vs_parse 1.5, save_vs_parse 1, build_vs_open 1, *_twice_the_project 2.2,"
echo "      rss_vs_file_size 4, media_build_vs_cp 1.2, second_build_vs_first 0.2,"
echo "      editor_*_ms 10, editor_*_twice_the_project 1.3, editor_build_vs_cli 1.5,"
echo "      editor_second_build_vs_first 1, *_stall_ms 50, preview_vs_second_build 1,"
echo "      second_preview_vs_second_build 0.5 (at most)"
ratio() { echo "ratio $1 $2"; }
ratio open_vs_parse "$(divide "${figure[open4000]}" "${figure[parse4000]}")" 1.5
ratio save_vs_parse "$(divide "${figure[save4000]}" "${figure[parse4000]}")" 1
ratio build_vs_open "$(divide "${figure[build4000]}" "${figure[open4000]}")" 1
for what in open save build layout; do
    ratio "${what}_twice_the_project" "$(divide "${figure[${what}4000]}" "${figure[${what}2000]}")" 2.2
done
ratio rss_vs_file_size "${figure[rss4000]}" 4
ratio media_build_vs_cp "$(divide "${figure[media_first]}" "${figure[cp]}")" 1.2
ratio second_build_vs_first "$(divide "${figure[media_second]}" "${figure[media_first]}")" 0.2
ratio preview_vs_second_build "$(divide "${figure[preview]}" "${figure[media_second]}")" 1
ratio second_preview_vs_second_build \
    "$(divide "${figure[preview_second]}" "${figure[media_second]}")" 0.5
# Beside the aims: the copying alone, and the second build against a build
# that copies nothing of weight.
ratio media_copy_part_vs_cp "$(divide "$copy_part" "${figure[cp]}")"
ratio second_build_vs_small_media_build "$(divide "${figure[media_second]}" "${figure[build2000]}")"
# The editor: milliseconds at 2,000 scenes, and how they grow with the project.
milliseconds() { awk -v a="$1" 'BEGIN {printf "%.2f", a * 1000}'; }
for what in cell_edit scene_edit add_scene undo redo; do
    ratio "editor_${what}_ms" "$(milliseconds "${figure[${what}2000]}")" 10
    ratio "editor_${what}_twice_the_project" \
        "$(divide "${figure[${what}4000]}" "${figure[${what}2000]}")" 1.3
done
ratio editor_build_vs_cli "$(divide "${figure[build_first2000]}" "${figure[build2000]}")" 1.5
ratio editor_second_build_vs_first \
    "$(divide "${figure[build_second2000]}" "${figure[build_first2000]}")" 1
for what in autosave_stall save_stall open_stall; do
    ratio "${what}_ms" "$(milliseconds "${figure[${what}4000]}")" 50
done

# ---- Release into data.xp3 ----
# The 2,000 scenes with 200 MiB of media released headlessly (build, pack,
# read back) against `tar -cf` of the built game folder; the archive's size
# against `tar | gzip`. Two releases of the same folder must be identical.
cmake --build "$build" -j2 --target scenewright-cli scenewright_project_bench >/dev/null
cli=$build/src/cli/scenewright-cli
dir=$work/media
file=$dir/project.swo
[ -f "$file" ] || "$project_bench" generate "$dir" 2000 200 >/dev/null
[ -f "$dir/game/system/config.tjs" ] || fresh_root "$dir/game"
# No engine from the settings of whoever runs this.
release() { XDG_CONFIG_HOME=$work/no-settings "$cli" release "$file" "$1" 2>&1; }
release "$dir/warm" >/dev/null
release_totals="" release_packs=""
for _ in $(seq "$rounds"); do
    rm -rf "$dir/release"
    sync
    start=$(now)
    out=$(release "$dir/release")
    release_totals="$release_totals $(awk -v a="$start" -v b="$(now)" 'BEGIN {print b - a}')"
    # The summary line ends with the time of the packing and the read back.
    release_packs="$release_packs $(echo "$out" | sed -n 's/.*、\([0-9.]*\) 秒。$/\1/p' | tail -1)"
done
figure[release]=$(echo "$release_totals" | median)
figure[release_pack]=$(echo "$release_packs" | median)
prepare=:
figure[cli_build]=$(time_command env XDG_CONFIG_HOME="$work/no-settings" "$cli" build "$file")
prepare="rm -f $dir/game.tar"
figure[tar]=$(time_command tar -cf "$dir/game.tar" -C "$dir/game" .)
tar_bytes=$(stat -c %s "$dir/game.tar")
gzip_bytes=$(tar -cf - -C "$dir/game" . | gzip -6 | wc -c)
xp3_bytes=$(stat -c %s "$dir/release/data.xp3")
echo "release of 2000 scenes with $(du -sm "$dir/game" | cut -f1) MiB in the game folder"
printf '  tar -cf of the game folder        %8.3f s\n' "${figure[tar]}"
printf '  release (build, pack, read back)  %8.3f s\n' "${figure[release]}"
printf '  of it packing and reading back    %8.3f s\n' "${figure[release_pack]}"
printf '  build alone, command line         %8.3f s (opening the project included)\n' \
    "${figure[cli_build]}"
printf '  data.xp3 %.1f MiB, tar %.1f MiB, tar | gzip %.1f MiB\n' "$(divide "$xp3_bytes" 1048576)" \
    "$(divide "$tar_bytes" 1048576)" "$(divide "$gzip_bytes" 1048576)"
if cmp -s "$dir/warm/data.xp3" "$dir/release/data.xp3"; then
    echo "  two releases byte-identical"
else
    echo "  two releases DIFFER"
fi
echo "aims: release_vs_tar 1.5 (at most)"
ratio release_vs_tar "$(divide "${figure[release]}" "${figure[tar]}")" 1.5
ratio release_pack_vs_tar "$(divide "${figure[release_pack]}" "${figure[tar]}")"
ratio xp3_size_vs_tar_gzip "$(divide "$xp3_bytes" "$gzip_bytes")"

# ---- Importing a KAG game ----
# A generated hand-written game of 100,000 scenario lines imported by the
# command line (reading, cells, saving) against `check` of the project it
# made (opening it included); the import alone and the check alone beside.
dir=$work/kag
rm -rf "$dir"
"$project_bench" generate-kag "$dir/game" 100000 >/dev/null
prepare=:
figure[import_kag]=$(time_command "$cli" import-kag "$dir/game" "$dir/game.swo")
check_kag() { "$cli" check "$dir/game.swo" || true; }
figure[check_kag]=$(time_command check_kag)
figure[import_kag_alone]=$(time_driver "$project_bench" import-kag "$dir/game" "$dir/bench.swo")
figure[check_kag_alone]=$(time_driver "$project_bench" check "$dir/game.swo")
echo "KAG game of $(cat "$dir"/game/scenario/*.ks | wc -l) lines in $(ls "$dir/game/scenario" | wc -l) files"
printf '  import-kag (read, make, save)     %8.3f s\n' "${figure[import_kag]}"
printf '  check of the project (with open)  %8.3f s\n' "${figure[check_kag]}"
printf '  import alone %.3f s, check alone %.3f s\n' "${figure[import_kag_alone]}" \
    "${figure[check_kag_alone]}"
echo "aims: import_kag_vs_check 2 (at most)"
ratio import_kag_vs_check "$(divide "${figure[import_kag]}" "${figure[check_kag]}")" 2
ratio import_kag_alone_vs_check_alone \
    "$(divide "${figure[import_kag_alone]}" "${figure[check_kag_alone]}")"
