#!/usr/bin/env bash
# Makes the Debian package from a build folder (default: build), shows what
# it holds, installs it with apt as a user would, tries the installed
# programs on the installed sample, and removes the package again.
#   scripts/package-test.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(cd "${1:-build}" && pwd)

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

rm -f "$build"/scenewright_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/scenewright_*.deb)
dpkg-deb --info "$deb"
contents=$(dpkg-deb --contents "$deb")
for wanted in usr/bin/scenewright usr/bin/scenewright-cli \
    usr/share/applications/scenewright.desktop usr/share/mime/packages/scenewright.xml \
    usr/share/icons/hicolor/scalable/apps/scenewright.svg usr/share/doc/scenewright/manual.html \
    usr/share/scenewright/examples/sample/sample.swo; do
    if ! grep -q " \./$wanted\$" <<<"$contents"; then
        echo "package lacks $wanted" >&2
        exit 1
    fi
done
desktop-file-validate packaging/scenewright.desktop

export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get install -y "$deb" >/dev/null
trap '$SUDO apt-get remove -y scenewright >/dev/null' EXIT
scenewright --version
scenewright-cli --version
game=$(mktemp -d)
scenewright-cli build /usr/share/scenewright/examples/sample/sample.swo --root "$game" \
    --init-from /usr/share/scenewright/examples/engine >/dev/null
test -s "$game/scenario/first.ks"
rm -rf "$game"
echo "package $(basename "$deb"): built, installed, ran"
