#!/usr/bin/env bash
# Installs into a temporary prefix, runs the installed program under Xvfb with real input
# events, and checks that neither the installation nor the home folder changed.
#   install_test.sh BUILD_DIR X11_CLOSE
set -euo pipefail
build=$1
close_window=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

cmake --install "$build" --prefix "$tmp/prefix" >/dev/null
mkdir "$tmp/home"
[ -x "$tmp/prefix/lib/korvella/korvella-food-reader" ] || {
    echo "FAIL: no food reader beside the installed program" >&2
    exit 1
}

tree() { (cd "$1" && find . -printf '%p %y %s %m %l\n' | sort); }
tree "$tmp/prefix" >"$tmp/prefix.before"
tree "$tmp/home" >"$tmp/home.before"

cat >"$tmp/session.sh" <<'SESSION'
set -euo pipefail
prefix=$1
close_window=$2
fail() {
    echo "FAIL: $*" >&2
    echo "windows named Korvella: $(xdotool search --name Korvella | tr '\n' ' ')" >&2
    exit 1
}
# The first visible window with this exact name, waiting up to 30 s.
window() {
    local ids
    ids=$(timeout 30 xdotool search --sync --onlyvisible --name "^$1\$") || return 1
    echo "${ids%%$'\n'*}"
}

# A process group of its own, so that a failure ends the browser's helper processes too; a
# session bus of its own, as under a desktop (without one, libdbus may start a bus that writes
# into the home folder).
setsid dbus-run-session -- "$prefix/bin/korvella" &
program=$!
trap 'kill -KILL -- "-$program" 2>/dev/null || true' EXIT
main=$(window Korvella) || fail "no main window"

# Press on the BMI entry's logo: panel (566, 326) in the background at (0, 96).
xdotool mousemove --window "$main" 628 478 click 1
tool=$(window '身体质量指数\(BMI\)') || fail "the BMI window did not open"
xdotool search --onlyvisible --name '^Korvella$' >/dev/null && fail "the main window stayed visible"

xdotool mousemove --window "$tool" 100 243 click 1 type 170
# Past the update check at five seconds, with the browser panel started, before closing.
sleep 6
"$close_window" "$tool"
main=$(window Korvella) || fail "the main window did not come back"

"$close_window" "$main"
for _ in $(seq 100); do
    kill -0 "$program" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$program" 2>/dev/null && fail "the program did not end"
wait "$program" || fail "the program ended with status $?"
echo "session passed"
SESSION

# A real window on the X server, whatever platform the other tests run on.
unset QT_QPA_PLATFORM
# Chromium refuses its sandbox to root; tests and CI run as root.
[ "$(id -u)" -eq 0 ] && export QTWEBENGINE_DISABLE_SANDBOX=1
HOME="$tmp/home" XDG_CONFIG_HOME= XDG_DATA_HOME= XDG_CACHE_HOME= XDG_STATE_HOME= \
    xvfb-run -a -s "-screen 0 1280x1024x24" bash "$tmp/session.sh" "$tmp/prefix" "$close_window"

status=0
for part in prefix home; do
    tree "$tmp/$part" >"$tmp/$part.after"
    if ! diff -u "$tmp/$part.before" "$tmp/$part.after"; then
        echo "FAIL: running the program changed the $part folder" >&2
        status=1
    fi
done
[ "$status" -eq 0 ] && echo "1 passed, 0 failed"
exit "$status"
