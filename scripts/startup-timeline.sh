#!/usr/bin/env bash
# Where a start's time goes: starts the launcher and the bare reference window of
# the start-up benchmark several times each under Wine's tracing, and prints the
# median time of each step of their starts (each DLL loaded, the first and last
# window created, the window shown, the focus set, the last paint), in ms from
# the moment the program's image is mapped. Tracing slows every step, so the
# figures serve to compare the two programs and find the steps where they part;
# the goal is held by the benchmark (scripts/bench.sh).
# Usage: scripts/startup-timeline.sh [RUNS]   (default 9)
set -euo pipefail
source "$(dirname "$0")/common.sh"

RUNS=${1:-9}
install_packages
build_arch x86_64 >/dev/null
trap 'stop_wine; stop_display' EXIT
ensure_display
export CORVALIDYNE_UNMANAGED_WINDOWS=1
fresh_prefix "$BUILD_ROOT/x86_64/timeline-prefix"
hold_desktop "$WINE64" "$BUILD_ROOT/x86_64/desktop_user.exe" ||
  { log "Wine's desktop could not be held: see $WINEPREFIX.desktop.log"; exit 1; }

TRACES=$BUILD_ROOT/x86_64/timeline
rm -rf "$TRACES"
mkdir -p "$TRACES"

# steps TRACE: "step<TAB>ms" for each step of the main thread's start.
steps() {
  awk '
    function ms(line) { split(line, field, ":"); return (field[1] - start) * 1000 }
    {
      split($1, field, ":")
      if (thread == "") { thread = field[2]; start = field[1] }
      if (field[2] != thread) next
    }
    /:loaddll:/ && /Loaded L"/ {
      name = tolower($0); sub(/.*\\/, "", name); sub(/".*/, "", name)
      if (!loaded++) name = "program image"
      if (!(name in seen)) { seen[name] = 1; printf "%s loaded\t%.1f\n", name, ms($0) }
    }
    /:win:WIN_CreateWindowEx / { if (!first) { first = 1; printf "window creation starts\t%.1f\n", ms($0) } }
    /:win:NtUserCreateWindowEx hwnd / { if (top == "") top = $3 }
    /:win:NtUserCreateWindowEx created window / && !shown { last = ms($0) }
    /:win:show_window hwnd=/ && !shown && index($0, "hwnd=" top ",") {
      shown = 1; printf "windows created\t%.1f\nwindow shown\t%.1f\n", last, ms($0)
    }
    /:win:NtUserSetFocus / && !focused { focused = 1; printf "focus set\t%.1f\n", ms($0) }
    /:win:NtUserBeginPaint / { painted = ms($0) }
    END { if (painted != "") printf "last paint\t%.1f\n", painted }
  ' "$1"
}

# medians: "step<TAB>median<TAB>first time seen" from "step<TAB>ms" lines.
medians() {
  sort -t$'\t' -k1,1 -k2,2n | awk -F'\t' '
    function flush() { if (n) printf "%s\t%.1f\n", step, (n % 2 ? v[(n + 1) / 2] : (v[n / 2] + v[n / 2 + 1]) / 2) }
    $1 != step { flush(); step = $1; n = 0 }
    { v[++n] = $2 }
    END { flush() }'
}

# trace LABEL RUN PROGRAM: one start, traced, closed after 3 s; its steps appended to LABEL.steps.
trace() {
  local log="$TRACES/$1-$2.log"
  (cd "$BUILD_ROOT/x86_64/benchmarks" && WINEDEBUG=+timestamp,+loaddll,+win timeout 3 "$WINE64" "$3" \
    </dev/null >"$log" 2>&1) || true
  steps "$log" >>"$TRACES/$1.steps"
}

log "tracing $RUNS starts of each program, in turn"
for i in $(seq "$RUNS"); do
  trace launcher "$i" ../CorvalidyneSetup.exe
  trace bare "$i" minimal_window.exe
done
for label in launcher bare; do medians <"$TRACES/$label.steps" >"$TRACES/$label.medians"; done

printf '%-44s %10s %10s\n' "step (ms after the image is mapped, median)" launcher bare
# In the launcher's order; a step of the bare window's alone where it took place there.
join -t$'\t' -a1 -a2 -e - -o 0,1.2,2.2 <(sort "$TRACES/launcher.medians") <(sort "$TRACES/bare.medians") |
  awk -F'\t' '{ print ($2 == "-" ? $3 : $2) "\t" $0 }' | sort -t$'\t' -k1,1g | cut -f2- |
  awk -F'\t' '{ printf "%-44s %10s %10s\n", $1, $2, $3 }'
log "traces: $TRACES"
