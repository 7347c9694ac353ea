#!/usr/bin/env bash
# Installs the built program into a temporary prefix with `cmake --install` and checks the installed
# copy: the desktop entry and AppStream data validate, --version and --help answer without a display,
# an offscreen start opens a photo named on its command line and finds its help, translations and icon,
# and a second copy started with a folder makes the first copy open that folder.
# Usage: install_test.sh <build tree> <a small JPEG photo>
set -euo pipefail
build="$1"
photo="$2"
app_id=com.pixvale.PixvaleLink

work="$(mktemp -d)"
first_pid=""
cleanup() {
    if [ -n "$first_pid" ] && kill -0 "$first_pid" 2>/dev/null; then
        kill "$first_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
# expect <report file> <line>
expect() {
    grep -qxF -- "$2" "$1" || { echo "--- $1:" >&2; cat "$1" >&2; fail "expected the line: $2"; }
}

prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" >"$work/install.log" || { cat "$work/install.log" >&2; fail "cmake --install"; }
program="$prefix/bin/pixvalelink"
data="$prefix/share/pixvalelink"
# Which files are installed is the package test's to check; here the icons are the size they claim.
for size in 16 22 24 32 48 64 128 256; do
    kind="$(file -b "$prefix/share/icons/hicolor/${size}x${size}/apps/$app_id.png")"
    grep -q "^PNG image data, $size x $size," <<<"$kind" || fail "not a $size px PNG: $kind"
done

desktop-file-validate "$prefix/share/applications/$app_id.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$prefix/share/metainfo/$app_id.metainfo.xml" >"$work/appstream.log" 2>&1 \
    || { cat "$work/appstream.log" >&2; fail "appstreamcli validate"; }

# Everything below runs with a home, settings, temporary folder and user name of its own, so that the
# single-instance socket and the settings store of anybody else are left alone.
export HOME="$work/home" XDG_CONFIG_HOME="$work/config" TMPDIR="$work/tmp" USER="pixvale-install-test"
export ASAN_OPTIONS="detect_leaks=0:abort_on_error=0"
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$TMPDIR"

# --version and --help need no display at all.
version="$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$program" --version)"
[ "$version" = "PixvaleLink 1.0.0.0" ] || fail "--version said: $version"
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$program" --help >"$work/help.txt"
expect "$work/help.txt" "Użycie: pixvalelink [opcje] [zdjęcie lub folder...]"
if grep -q "report" "$work/help.txt"; then fail "--help shows the hidden option"; fi

export QT_QPA_PLATFORM=offscreen
mkdir -p "$work/zdjęcia/lato" "$work/zdjęcia/zima"
cp "$photo" "$work/zdjęcia/lato/a.jpg"
cp "$photo" "$work/zdjęcia/lato/łąka.jpg"
cp "$photo" "$work/zdjęcia/zima/b.jpg"
cp "$photo" "$work/zdjęcia/zima/c.jpg"
photo_size="$(file -b "$photo" | grep -o '[0-9]\+x[0-9]\+' | tail -n 1)"

# A photo named on the command line: its folder becomes current and the photo is opened.
timeout 120 "$program" --report-and-quit "$work/zdjęcia/lato/łąka.jpg" >"$work/start.txt" 2>"$work/start.err" \
    || { cat "$work/start.err" >&2; fail "the offscreen start did not end well"; }
expect "$work/start.txt" "help=$data/pomoc/index.html"
expect "$work/start.txt" "icon=$prefix/share/icons/hicolor/scalable/apps/$app_id.svg"
expect "$work/start.txt" "translations=Anuluj"
expect "$work/start.txt" "folder=$work/zdjęcia/lato"
expect "$work/start.txt" "photo=$work/zdjęcia/lato/łąka.jpg"
expect "$work/start.txt" "bitmap=$photo_size"

# The first copy waits for a hand-over; the second copy names a folder and ends at once.
"$program" --report-and-quit >"$work/first.txt" 2>"$work/first.err" &
first_pid=$!
socket="$TMPDIR/Pixvale.PixvaleLink.$USER"
for _ in $(seq 600); do
    [ -S "$socket" ] && break
    kill -0 "$first_pid" 2>/dev/null || { cat "$work/first.err" >&2; fail "the first copy ended early"; }
    sleep 0.1
done
[ -S "$socket" ] || fail "the first copy never listened on $socket"
timeout 60 "$program" "$work/zdjęcia/zima" >"$work/second.txt" 2>&1 || { cat "$work/second.txt" >&2; fail "the second copy"; }
[ ! -s "$work/second.txt" ] || { cat "$work/second.txt" >&2; }
for _ in $(seq 600); do
    kill -0 "$first_pid" 2>/dev/null || break
    sleep 0.1
done
if kill -0 "$first_pid" 2>/dev/null; then fail "the first copy did not open the folder it was handed"; fi
wait "$first_pid" || { cat "$work/first.err" >&2; fail "the first copy ended with an error"; }
first_pid=""
expect "$work/first.txt" "folder=$work/zdjęcia/zima"
expect "$work/first.txt" "photo=$work/zdjęcia/zima/b.jpg"
echo "installed copy: all checks passed"
