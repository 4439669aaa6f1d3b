#!/usr/bin/env bash
# Usage: package_test.sh PACKAGE.deb
# Checks the Debian package that scripts/package makes, without installing
# it: its fields and contents, lintian (no errors, and no warning that
# packaging/debian/package.cmake does not explain; its output is shown),
# and, unpacked with dpkg -x into a scratch root, the launcher plays the
# first level under an X server of its own and quits with Escape, the
# packaged checker stops a broken folder, skorvel-new-level works, and the
# manual pages name the package's paths. The machine's own skorvel package,
# if any, is left as it was.
source "$(dirname "$0")/helpers.sh"
deb=$(realpath "$1")
source_dir=$(realpath "$(dirname "$0")/../..")
# Whether skorvel is installed on the machine, before and after.
installed() { dpkg-query -W -f '${Status} ${Version}' skorvel 2>/dev/null || true; }
installed_before=$(installed)

field() { dpkg-deb -f "$deb" "$1"; }
version=$(sed -n '1s/^skorvel (\([^)]*\)).*/\1/p' "$source_dir/packaging/debian/changelog")
[ "$(field Package) $(field Version)" = "skorvel $version" ] ||
    fail "the package is $(field Package) $(field Version), the changelog's top entry $version"
[ "$(field Section)" = games ] || fail "section $(field Section)"
grep -q '^[^<]* <[^@>]*@[^>]*>$' <<<"$(field Maintainer)" || fail "maintainer '$(field Maintainer)'"
[ "$(field Description | wc -l)" -gt 3 ] || fail "no long description"
# The libraries come from dpkg-shlibdeps, Python from the package's own list.
for needed in libsdl1.2debian libglu1-mesa libc6 python3; do
    grep -q "\\b$needed\\b" <<<"$(field Depends)" || fail "Depends lacks $needed: $(field Depends)"
done

contents=$(dpkg-deb -c "$deb" | awk '{ print $2, $6 }')
for path in games/skorvel lib/games/skorvel/skorvel bin/skorvel-check bin/skorvel-obj \
    bin/skorvel-new-level share/games/skorvel/levels/scenelist.txt \
    share/games/skorvel/levels/pin.txt share/games/skorvel/levelgen/starter.py \
    share/applications/skorvel.desktop share/metainfo/invalid.skorvel.skorvel.metainfo.xml \
    share/icons/hicolor/48x48/apps/skorvel.png share/icons/hicolor/256x256/apps/skorvel.png \
    share/man/man6/skorvel.6.gz share/man/man1/skorvel-check.1.gz \
    share/man/man1/skorvel-obj.1.gz share/man/man1/skorvel-new-level.1.gz \
    share/doc/skorvel/copyright share/doc/skorvel/changelog.gz; do
    grep -qx "root/root ./usr/$path" <<<"$contents" || fail "the package lacks /usr/$path"
done
! grep -v ' \./usr/' <<<"$contents" || fail "files outside /usr"
! grep -E '__pycache__|\.pyc$|/LICENSE$' <<<"$contents" || fail "files the package must not hold"

echo "lintian:"
report=$(lintian --info "$deb" 2>&1) || true
printf '%s\n' "$report"
! grep -E '^E: ' <<<"$report" >/dev/null || fail "lintian finds errors"
# Each warning left is explained in packaging/debian/package.cmake.
unexplained=$(grep -E '^W: ' <<<"$report" | grep -v ' package-section-games-but-has-usr-bin$' || true)
[ -z "$unexplained" ] || fail "lintian warnings not explained in the packaging: $unexplained"

root=$work/root
dpkg -x "$deb" "$root"
launcher=$root/usr/games/skorvel
levels=$root/usr/share/games/skorvel/levels
[ "$("$launcher" --version)" = "skorvel $version" ] || fail "--version: $("$launcher" --version)"
for page in "$root"/usr/share/man/man*/*.gz; do
    out=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null) && [ -z "$out" ] ||
        fail "$page: $out"
done
grep -qxF ".I /usr/share/games/skorvel/levels/" <(zcat "$root/usr/share/man/man6/skorvel.6.gz") ||
    fail "skorvel(6) does not name the packaged levels"

start_xvfb 640x480
play packaged "$launcher"
refuses_broken_folder "$launcher" "$levels"
makes_new_level "$root/usr/bin/skorvel-new-level" "$levels" "$work/mine"

[ "$(installed)" = "$installed_before" ] || fail "the package on the machine changed"
echo "packaged, checked by lintian, and played from an unpacked root"
