# Shared by the shell scripts that start the real game and drive it as a player does
# (tools/memcheck, tools/screenshots): find its window, press until the game shows the press,
# wait for what it shows and for its end. Each wait has one generous deadline, never a fixed
# sleep: GAME_DEADLINE seconds (60 unless set). Coordinates are the game's virtual ones (origin
# bottom left) on its 800x600 window. Source it.

game_support=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

# The game's window once it is mapped, on standard output; fails when process $1 ends first.
find_window() {
    local deadline=$((SECONDS + ${GAME_DEADLINE:-60})) id
    while [ $SECONDS -lt $deadline ]; do
        id=$(xdotool search --onlyvisible --name '^OpenGL$' 2>/dev/null | head -1)
        [ -n "$id" ] && { echo "$id"; return 0; }
        kill -0 "$1" 2>/dev/null || return 1
        sleep 0.1
    done
    return 1
}

# press-until-shown on window $1 with the deadline: "shown", or [--lit L,T,R,B] [--frames N]
# press DOWN UP ...
press_until_shown() {
    "$game_support/press-until-shown" --deadline "${GAME_DEADLINE:-60}" "$@"
}
# Waits until window $1 shows its first screen.
wait_shown() { press_until_shown "$1" shown; }
# Clicks at ($2, $3) on window $1, held until the game shows it; $4... go before the press
# (--lit L,T,R,B: the change must light that client rectangle).
click() {
    press_until_shown "$1" "${@:4}" press "mousemove --window $1 $2 $((600 - $3)) mousedown 1" \
        "mouseup 1"
}
# Presses key $2 (an xdotool name) on window $1 until the game shows it; $3... as for click.
key() { press_until_shown "$1" "${@:3}" press "keydown $2" "keyup $2"; }
# Moves the pointer to ($2, $3) over window $1 and waits for three new frames (a button lit
# under the pointer is drawn by then).
hover() { press_until_shown "$1" --frames 3 press "mousemove --window $1 $2 $((600 - $3))" ""; }
# Waits until window $1 shows something new that lights client rectangle $2 (L,T,R,B).
wait_lit() { press_until_shown "$1" --lit "$2" press "" ""; }

# Waits for process $1 to end; its exit code, or 124 when the deadline passes first.
wait_game() {
    local deadline=$((SECONDS + ${GAME_DEADLINE:-60}))
    while [ $SECONDS -lt $deadline ]; do
        kill -0 "$1" 2>/dev/null || { wait "$1"; return $?; }
        sleep 0.1
    done
    return 124
}

# ---- Counting, for the scripts that test a build (tests/wine/run, tests/arm64/run, ...) -------
passed=0
failed=0
pass() { echo "PASS $1"; passed=$((passed + 1)); }
fail() { echo "FAIL $1: $2"; failed=$((failed + 1)); }
check() { # LABEL DETAIL COMMAND...: passes when the command succeeds
    local label=$1 detail=$2
    shift 2
    if "$@"; then pass "$label"; else fail "$label" "$detail"; fi
}

# Runs the end-to-end tests E2E_TESTS ($1, tests/e2e_tests of a Linux build) whose names match
# the filter $2, against the build QUORVIN_GAME and QUORVIN_GAME_RUNNER name (see
# tests/support/GameProcess.h); each test counts as one check.
e2e() {
    local log ok bad
    log=$(mktemp /tmp/quorvin-e2e-XXXXXX)
    timeout 1800 "$1" --gtest_filter="$2" >"$log" 2>&1
    local code=$?
    ok=$(sed -n 's/^\[       OK \] \([^ ]*\) (.*/\1/p' "$log")
    bad=$(sed -n 's/^\[  FAILED  \] \([^ ]*\) (.*/\1/p' "$log")
    for test in $ok; do pass "e2e: $test"; done
    for test in $bad; do fail "e2e: $test" "$(sed -n "/^\[ RUN      \] $test\$/,/^\[  FAILED  \] $test /p" "$log" | head -60)"; done
    [ -n "$ok$bad" ] || fail "e2e: $2" "no test ran: $(tail -20 "$log")"
    [ "$code" -eq 0 ] || [ -n "$bad" ] || fail "e2e: $2" "e2e_tests ended with $code: $(tail -20 "$log")"
    rm -f "$log"
}
