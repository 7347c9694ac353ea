#!/usr/bin/env bash
# Builds the Debian package from the already built tree (scripts/package) and checks its control fields
# and file list with dpkg-deb; the package is not installed.
# Usage: package_test.sh <source tree> <build tree>
set -euo pipefail
source="$1"
build="$2"
app_id=com.pixvale.PixvaleLink
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

deb="$("$source/scripts/package" "$build" "$work")"
[ -f "$deb" ] || fail "no package written"
case "$(basename "$deb")" in pixvalelink_1.0.0_*.deb) ;; *) fail "package name: $(basename "$deb")" ;; esac

# Each field is read whole first: `grep -q` in a pipe would end early and fail the pipe.
field() { dpkg-deb -f "$deb" "$1"; }
package="$(field Package)"
section="$(field Section)"
depends="$(field Depends)"
description="$(field Description)"
[ "$package" = "pixvalelink" ] || fail "Package: $package"
[ "$section" = "graphics" ] || fail "Section: $section"
for lib in libqt6widgets6 libqt6svg6 libtiff libjpeg62-turbo libexif12 libcurl4; do
    grep -q "$lib" <<<"$depends" || fail "Depends lacks $lib: $depends"
done
grep -q "photo-printing service" <<<"$description" || fail "no English description"
grep -q "zamawiania odbitek" <<<"$description" || fail "no Polish description"

dpkg-deb -c "$deb" | awk '{print $NF}' | sed 's|^\./|/|' | grep -v '/$' | sort >"$work/files"
expected="/usr/bin/pixvalelink
/usr/share/applications/$app_id.desktop
/usr/share/metainfo/$app_id.metainfo.xml
/usr/share/icons/hicolor/scalable/apps/$app_id.svg"
for size in 16 22 24 32 48 64 128 256; do
    expected="$expected
/usr/share/icons/hicolor/${size}x${size}/apps/$app_id.png"
done
for page in "$source"/resources/pomoc/*; do
    expected="$expected
/usr/share/pixvalelink/pomoc/$(basename "$page")"
done
echo "$expected" | sort >"$work/expected"
diff -u "$work/expected" "$work/files" || fail "the package's file list differs (- expected, + packaged)"
echo "package $(basename "$deb"): $(stat -c %s "$deb") bytes, $(wc -l <"$work/files") files"
