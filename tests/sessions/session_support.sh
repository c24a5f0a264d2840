# shellcheck shell=bash disable=SC2034 # "box", "histogram" and "scratch" go to the test
# Sourced with the tools a test needs as arguments. At exit, what the test left running in
# the background is stopped with its descendants, and its scratch folder removed.
for tool in "$@"; do
    command -v "$tool" >/dev/null || { echo "no $tool: skipped"; exit 77; }
done
scratch=$(mktemp -d)
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
# The processes descending from process $1, one a line (ps pads the numbers with blanks).
descendants() {
    local child
    for child in $(ps -o pid= --ppid "$1"); do
        echo "$child"
        descendants "$child"
    done
}
finish() {
    local status=$? pid
    for pid in $(jobs -p); do
        # shellcheck disable=SC2046 # one PID a word
        kill $(descendants "$pid") "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$scratch"
    exit "$status"
}
trap finish EXIT
# Polls COMMAND every 50 ms for up to SECONDS.
within() {
    local deadline=$((SECONDS + $1))
    until "${@:2}"; do
        [ $SECONDS -lt $deadline ] || return 1
        sleep 0.05
    done
}
# settings FOLDER [LINE...]: a store in FOLDER as XDG_CONFIG_HOME, then LINE...: background
# RGB(153, 51, 102), which no other program here shows, red title, yellow countdown line.
settings() {
    mkdir -p "$1/Vantrel"
    printf '%s\n' '[Settings]' 'Background=6697881' 'Title=Moon landing' 'Date=6/15/2030' \
        "${@:2}" >"$1/Vantrel/Lumidex.conf"
}
# xvfb SIZE [OPTION...]: an X server of the test's own, on the free display it picks.
xvfb() {
    Xvfb -displayfd 3 -screen 0 "$1" -nolisten tcp -noreset "${@:2}" 3>"$scratch/display" \
        >"$scratch/xvfb.log" 2>&1 &
    within 20 test -s "$scratch/display" || { cat "$scratch/xvfb.log" >&2; exit 1; }
    DISPLAY=:$(cat "$scratch/display")
    export DISPLAY
}
# colours PNG: its colours in "histogram", the most common first.
colours() { histogram=$(convert "$1" -format %c histogram:info:- | sort -rn); }
shows() { grep -q "($1)" <<<"$histogram"; }
mostly() { [[ $(head -1 <<<"$histogram") == *"($1)"* ]]; }
# The countdown line of PNG: the least of red, green and 255 - blue takes it from plum to
# yellow; nothing else on screen comes 80 % of the way.
line() { convert "$1" -channel B -negate +channel -separate -evaluate-sequence min "${@:2}"; }
# line_box PNG: its width, height, then the countdown line's width, height, left, top.
line_box() { box=$(line "$1" -threshold 80% -format '%w %h %@' info: 2>/dev/null | tr 'x+' '  '); }
# doubled WHAT ONE TWO SLACK: TWO is twice ONE, give or take SLACK.
doubled() {
    local off=$(($3 - 2 * $2))
    (($2 > 0 && ${off#-} <= $4)) || fail "$1: $2 at 1x, $3 at 2x"
}
# end_run WHAT PID LOG: SIGTERM ends the program at once, by that signal; LOG is empty.
end_run() {
    kill -TERM "$2" 2>/dev/null || fail "$1 ended before SIGTERM"
    within 2 ended "$2" || { fail "$1 still runs 2 s after SIGTERM"; kill -KILL "$2"; }
    local status=0
    wait "$2" || status=$?
    [ "$status" -eq 143 ] || fail "$1 ended with status $status, not by SIGTERM"
    [ ! -s "$3" ] || fail "$1 wrote: $(cat "$3")"
}
# A zombie waiting to be reaped has ended.
ended() { ! ps -o stat= -p "$1" | grep -qv Z; }
