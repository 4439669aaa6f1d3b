#!/usr/bin/env bash
# Usage: package_test.sh PACKAGE.deb
# Checks the Debian package that scripts/package makes, without installing
# it: its fields and contents, its documentation, lintian at its most
# particular (every tag mended or overridden with a reason), its AppStream
# metadata as a software centre reads it, and, unpacked with dpkg -x into a
# scratch root: the launcher plays the first level under an X server of its
# own and quits with Escape, every library the game maps comes with the
# package's dependencies, the packaged checker stops a broken folder,
# skorvel-new-level works, and the manual pages name the package's paths.
# Last, a second build of the same source elsewhere gives the same bytes.
source "$(dirname "$0")/helpers.sh"
deb=$(realpath "$1")
source_dir=$(realpath "$(dirname "$0")/../..")

field() { dpkg-deb -f "$deb" "$1"; }
version=$(sed -n '1s/^skorvel (\([^)]*\)).*/\1/p' "$source_dir/packaging/debian/changelog")
[ "$(field Package) $(field Version)" = "skorvel $version" ] ||
    fail "the package is $(field Package) $(field Version), the changelog's top entry $version"
# The libraries the game links and opens are checked below, as it plays.
grep -q '\bpython3\b' <<<"$(field Depends)" || fail "Depends lacks python3: $(field Depends)"

# What the checks below do not run or read; everything root's, under /usr.
contents=$(dpkg-deb -c "$deb" | awk '{ print $2, $6 }')
for path in games/skorvel-obj share/applications/skorvel.desktop \
    share/icons/hicolor/48x48/apps/skorvel.png share/icons/hicolor/256x256/apps/skorvel.png; do
    grep -qx "root/root ./usr/$path" <<<"$contents" || fail "the package lacks /usr/$path"
done
! grep -v '^root/root \./usr/' <<<"$contents" || fail "files outside /usr or not root's"
! grep -E '__pycache__|\.pyc$' <<<"$contents" || fail "files the package must not hold"
docs=$(grep -o 'doc/skorvel/.*[^/]$' <<<"$contents" | LC_ALL=C sort | xargs)
[ "$docs" = "doc/skorvel/README.md.gz doc/skorvel/changelog.gz doc/skorvel/copyright" ] ||
    fail "the documentation is not the copyright, the changelog and the compressed README: $docs"

# Every tag left is overridden in the package's overrides file, each with
# its reason on the line above; a new tag, or an override that no longer
# matches, fails.
report=$(lintian -i -I --pedantic --display-experimental "$deb" 2>&1) || fail "lintian: $report"
! grep -E '^[A-Z]: ' <<<"$report" || fail "lintian tags neither mended nor overridden"

root=$work/root
dpkg -x "$deb" "$root"
launcher=$root/usr/games/skorvel
levels=$root/usr/share/games/skorvel/levels
unexplained=$(awk '/^#/ { reason = 1; next } NF && !reason { print } { reason = 0 }' \
    "$root/usr/share/lintian/overrides/skorvel")
[ -z "$unexplained" ] || fail "lintian overrides without a reason above them: $unexplained"
out=$(appstreamcli validate --pedantic "$root"/usr/share/metainfo/*.metainfo.xml 2>&1) || fail "$out"
[ "$("$launcher" --version)" = "skorvel $version" ] || fail "--version: $("$launcher" --version)"
pages_read_well "$root"

# Every library the game maps as it plays comes from a package that
# installing this one brings, the OpenGL driver SDL opens too. Only libX11
# opens libXcursor, with libXrender, when it is there, for themed cursors;
# without it the game has plain ones.
start_xvfb 640x480
play packaged "$launcher"
# shellcheck disable=SC2046  # one word a package
brought=$(apt-cache depends --recurse --installed --no-recommends --no-suggests --no-conflicts \
    --no-breaks --no-replaces --no-enhances $(field Depends | sed 's/([^)]*)//g; s/[,|]/ /g') |
    grep -v '^ ' | tr -d '<>'; echo libxcursor1 libxrender1 | xargs -n 1)
libraries=$(awk '$6 ~ /\.so(\.|$)/ { sub(/^\/usr/, "", $6); print $6 }' "$work/packaged.maps" | sort -u)
# Merged /usr: dpkg knows each file with or without its /usr, not both.
# shellcheck disable=SC2001  # a line for each library, twice
covered=$(sed 's,.*,/usr& &,' <<<"$libraries" | { xargs dpkg -S 2>/dev/null || true; } |
    sed -E 's/^([^:,]+).*: (\/usr)?(\/[^ ]*)$/\1 \3/' |
    awk 'NR == FNR { brought[$1]; next } $1 in brought { print $2 }' <(echo "$brought") - | sort -u)
uncovered=$(comm -23 <(echo "$libraries") <(echo "$covered"))
[ -z "$uncovered" ] || fail "the game maps libraries the dependencies do not bring: $uncovered"

refuses_broken_folder "$launcher" "$levels"
makes_new_level "$root/usr/games/skorvel-new-level" "$levels" "$work/mine"

# Built again from the same source, in another folder and later, it is the
# same to the byte. The folder is kept, beside the package, so that only
# what changed since is built again.
again=$("$source_dir/scripts/package" "$(dirname "$deb")/again") || fail "the second build failed"
[ "$(sha256sum <"$again")" = "$(sha256sum <"$deb")" ] ||
    fail "a second build differs: $(sha256sum "$again" "$deb")"
echo "packaged, checked by lintian, played from an unpacked root, and built again the same"
