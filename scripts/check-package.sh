#!/usr/bin/env bash
# Builds the Debian package from a Release build and checks it: the manual page lints clean, the
# package holds every installed file and depends on what the programs need, and once unpacked
# into a scratch root its `lantern` runs. Run by ./test.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/setup.sh

lantern_build build-release -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DLANTERN_BUILD_TESTS=OFF

fail() {
    echo "check-package: $*" >&2
    exit 1
}

warnings="$(groff -ww -man -z build-release/app/lantern.6 2>&1)"
[ -z "$warnings" ] || fail "the manual page has warnings:"$'\n'"$warnings"

(cd build-release && cpack -G DEB >/dev/null 2>&1) || fail "cpack -G DEB failed"
version="$(build-release/app/lantern --version)"
version="${version#lantern }"
deb="build-release/lantern_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || fail "$deb was not made"

contents="$(dpkg-deb --contents "$deb")"
for file in usr/bin/lantern usr/libexec/lantern/lantern-window \
    usr/libexec/lantern/lantern-console usr/libexec/lantern/lantern-sound.so \
    usr/share/lantern/stories/lamplighter.z5 usr/share/applications/lantern.desktop \
    usr/share/icons/hicolor/scalable/apps/lantern.svg \
    usr/share/mime/packages/lantern-zmachine.xml usr/share/man/man6/lantern.6.gz; do
    grep -q " \./$file\$" <<<"$contents" || fail "$deb lacks /$file"
done

# The desktop entry opens stories with the complete Z-machine, as the manual page says.
root="$(mktemp -d)"
trap 'rm -rf "$root"' EXIT
dpkg -x "$deb" "$root"
grep -qx 'Exec=lantern --standard %f' "$root/usr/share/applications/lantern.desktop" ||
    fail "the desktop entry does not open stories with lantern --standard"
grep -q '^MimeType=.*application/x-zmachine-blorb;' "$root/usr/share/applications/lantern.desktop" &&
    grep -qF '<glob pattern="*.zblorb"/>' "$root/usr/share/mime/packages/lantern-zmachine.xml" ||
    fail "the desktop entry and the MIME types do not cover Blorb files"
manual="$(gzip -dc "$root/usr/share/man/man6/lantern.6.gz")"
grep -qF '/usr/share/applications/lantern.desktop' <<<"$manual" &&
    grep -qF 'lantern \-\-standard' <<<"$manual" ||
    fail "the manual page does not describe the desktop entry"

depends="$(dpkg-deb --field "$deb" Depends)"
names="$(sed 's/ *([^)]*)//g; s/, */\n/g' <<<"$depends")"
for package in libc6 libstdc++6 libqt6core6 libqt6widgets6 libexpat1 libsdl2-2.0-0 \
    libsdl2-mixer-2.0-0 fonts-liberation; do
    grep -qxF "$package" <<<"$names" || fail "Depends lacks $package: $depends"
done

[ "$("$root/usr/bin/lantern" --version)" = "lantern $version" ] ||
    fail "the unpacked lantern --version does not print lantern $version"
story="$root/usr/share/lantern/stories/lamplighter.z5"
played="$("$root/usr/bin/lantern" --console "$story" </dev/null)" ||
    fail "the unpacked lantern failed to play the bundled story"
grep -q "THE LAMPLIGHTER" <<<"$played" || fail "the unpacked lantern does not play the bundled story"
# The window program is found where it was unpacked; a platform that does not exist ends it.
window="$(QT_QPA_PLATFORM=lantern-none "$root/usr/bin/lantern" "$story" 2>&1 </dev/null || true)"
if grep -q "cannot start the window" <<<"$window"; then
    fail "the unpacked lantern does not find its window program: $window"
fi

# The Python module's package, from the same build: it imports from where it was unpacked, with
# the system's Python, and plays the bundled story.
pydeb="build-release/python3-lantern_${version}_$(dpkg --print-architecture).deb"
[ -f "$pydeb" ] || fail "$pydeb was not made"
pydepends="$(dpkg-deb --field "$pydeb" Depends)"
grep -q 'python3 (>= 3\.' <<<"$pydepends" || fail "$pydeb does not depend on python3: $pydepends"
dpkg-deb --contents "$pydeb" | grep -q ' \./usr/lib/python3/dist-packages/lantern\.cpython-.*\.so$' ||
    fail "$pydeb lacks the module in /usr/lib/python3/dist-packages"
dpkg -x "$pydeb" "$root"
PYTHONPATH="$root/usr/lib/python3/dist-packages" /usr/bin/python3 -c '
import sys, lantern
story = lantern.Story(sys.argv[1], seed=1)
assert "THE LAMPLIGHTER" in story.intro and story.waiting_for == "line", story.intro
story.step("look")
' "$story" || fail "the unpacked module does not play the bundled story"
echo "Package $deb: contents, dependencies and manual page checked; $pydeb too."
