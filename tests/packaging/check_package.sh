#!/usr/bin/env bash
# Checks a built korvella_*.deb: what it installs and what it depends on.
#   check_package.sh PACKAGE.deb
set -euo pipefail
deb=$1
contents=$(dpkg-deb --contents "$deb")
depends=$(dpkg-deb --field "$deb" Depends)
status=0
expect() {
    if ! grep -qE -- "$2" <<<"$3"; then
        echo "FAIL: $1" >&2
        status=1
    fi
}
expect "program" ' \./usr/lib/korvella/korvella$' "$contents"
expect "food reader" ' \./usr/lib/korvella/korvella-food-reader$' "$contents"
expect "food database" ' \./usr/lib/korvella/Data/FoodData\.mdb$' "$contents"
expect "nutrient table" ' \./usr/lib/korvella/Data/FoodNutrients\.csv$' "$contents"
expect "update library" ' \./usr/lib/korvella/libupdate\.so$' "$contents"
expect "browser panel" ' \./usr/lib/korvella/libkorvella_ad\.so$' "$contents"
expect "command link" ' \./usr/bin/korvella -> \.\./lib/korvella/korvella$' "$contents"
expect "desktop entry" ' \./usr/share/applications/org\.korvella\.Korvella\.desktop$' "$contents"
expect "icon" ' \./usr/share/icons/hicolor/scalable/apps/korvella\.svg$' "$contents"
expect "metainfo" ' \./usr/share/metainfo/org\.korvella\.Korvella\.metainfo\.xml$' "$contents"
# Debian 13 names libmdb3 for its 64-bit time.
for package in libqt6widgets6 libqt6svg6 libqt6webenginecore6 libqt6webenginecore6-bin \
    'libmdb3(t64)?' qt6-qpa-plugins qt6-svg-plugins fonts-noto-cjk libqt6printsupport6 \
    qt6-translations-l10n libqt6sql6-sqlite libqt6sql6; do
    expect "depends on $package" "(^|, )$package( |,|$)" "$depends"
done
[ "$status" -eq 0 ] && echo "package check: 1 passed, 0 failed"
exit "$status"
