# Shared by scripts/play and scripts/test: install what a fresh Debian
# machine lacks, build, and run an X server of our own when needed (with
# the launcher's own shell functions, which the tests use too).
source "$(dirname "${BASH_SOURCE[0]}")/../packaging/game_shell.sh"

# What building and playing the game need.
PLAY_PACKAGES=(cmake make g++ libsdl1.2-dev libgl-dev libglu1-mesa-dev)
# What scripts/play's demo needs when there is no display: an X server of its
# own, a way to move the mouse and press keys, and a screenshot.
DEMO_PACKAGES=(xvfb xdotool x11-apps imagemagick)
# What making the Debian package needs: dpkg-buildflags and dpkg-shlibdeps
# (dpkg-dev), and file, with which CPack finds the programs to look at.
PACKAGE_PACKAGES=(dpkg-dev file)
# What scripts/web needs to build the game for browsers and compress the site.
WEB_PACKAGES=(cmake make emscripten brotli)
# What the tests, the benchmark and the fuzzers need on top of playing: the
# install test validates the menu entry, the metainfo and the manual pages,
# reads the game window's class with xprop and types into xev (x11-utils),
# and plays skorvel --window (Xephyr, inotifywait, xauth, and xmessage from
# x11-utils); the package test runs lintian; the sdl12-compat leg needs SDL 2
# under the compat library it fetches itself; the web test builds the web
# version and loads it in headless Chromium. The fuzzers' runtime matches
# the installed clang: scripts/fuzz adds it.
TEST_PACKAGES=(clang python3 mypy libgtest-dev libbenchmark-dev
               xvfb xdotool x11-apps x11-utils imagemagick desktop-file-utils appstream man-db
               xserver-xephyr inotify-tools xauth lintian libsdl2-2.0-0 "${PACKAGE_PACKAGES[@]}"
               "${WEB_PACKAGES[@]}" chromium)

# install_missing_packages PACKAGE...
install_missing_packages() {
    local missing=()
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
            missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=""
    if [ "$(id -u)" -ne 0 ]; then
        if ! command -v sudo >/dev/null 2>&1; then
            echo "Installing packages needs root, and sudo is not available: run this script" \
                "as root, or install ${missing[*]} first." >&2
            return 1
        fi
        sudo="sudo"
    fi
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# build DIR [cmake options...]
build() {
    local dir=$1
    shift
    cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
    cmake --build "$dir" -j "$(nproc)"
}
