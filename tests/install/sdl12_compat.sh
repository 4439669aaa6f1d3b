#!/usr/bin/env bash
# Usage: sdl12_compat.sh BUILD-DIR
# Plays the game on sdl12-compat, the SDL 1.2 that newer distributions ship
# on top of SDL 2, without touching the machine's SDL: Debian's
# libsdl1.2-compat is fetched with apt-get download, unpacked into
# BUILD-DIR/sdl12-compat, and put first with LD_LIBRARY_PATH. ldd must then
# show it; the end-to-end session and the display and frame tests run again;
# and the game's log and its window (title, class, size, depth) must be the
# same as on the machine's SDL 1.2, but for the one known difference:
# sdl12-compat sets no icon title (WM_ICON_NAME, _NET_WM_ICON_NAME). Runs on
# the X server that DISPLAY names. Needs libsdl2-2.0-0 installed.
source "$(dirname "$0")/helpers.sh"
build=$(realpath "$1")
levels=$(realpath "$(dirname "$0")/../../levels")
compat=$build/sdl12-compat

if ! ls "$compat"/libsdl1.2-compat_*.deb >/dev/null 2>&1; then
    mkdir -p "$compat"
    fetch() { (cd "$compat" && apt-get download -q libsdl1.2-compat >download.log 2>&1); }
    # A machine whose package lists are missing or old gets them once.
    fetch || { apt-get update -qq && fetch; } ||
        fail "apt-get download libsdl1.2-compat: $(cat "$compat/download.log")"
fi
rm -rf "$compat/root"
dpkg -x "$compat"/libsdl1.2-compat_*.deb "$compat/root"
library=$(find "$compat/root" -name libSDL-1.2.so.0 | head -n 1)
[ -n "$library" ] || fail "the package holds no libSDL-1.2.so.0"
libraries=$(dirname "$library")
# Read whole: grep -q stopping early would cut ldd off mid-write.
loaded=$(LD_LIBRARY_PATH=$libraries ldd "$build/skorvel" "$build/tests/flow_tests" "$build/tests/render_tests")
[ "$(grep -cF "libSDL-1.2.so.0 => $library " <<<"$loaded")" -eq 3 ] || fail "not all three programs load sdl12-compat: $loaded"

# facts NAME [LD_LIBRARY_PATH]: the game played on the bundled levels: what
# its window showed the desktop, then its log.
facts() {
    play "$1" env -C "$levels" SDL_VIDEO_X11_WMCLASS=skorvel LD_LIBRARY_PATH="${2:-}" "$build/skorvel"
    cat "$work/$1.window" "$work/$1.log"
}
expected=$(facts own | sed 's/^\(_NET_WM_ICON_NAME\|WM_ICON_NAME\).*/\1:  not found./')
on_compat=$(facts compat "$libraries")
[ "$on_compat" = "$expected" ] ||
    fail "sdl12-compat differs from SDL 1.2 beyond the icon title:$(diff <(echo "$expected") <(echo "$on_compat"))"

echo "On sdl12-compat ($library):"
cd "$build"
LD_LIBRARY_PATH=$libraries ctest --output-on-failure --no-tests=error -R '^(EndToEnd|Display|Frame)\.'
