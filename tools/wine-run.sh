#!/bin/sh
# Runs a Windows program under Wine, in a Wine prefix of its own:
#     tools/wine-run.sh PREFIX PROGRAM.exe [ARGUMENTS...]
# The first run makes the prefix (some seconds, some hundred megabytes); Mono and Gecko are
# neither wanted nor asked for. The Wine server is kept for a few seconds after each
# program, so that the next one, a test run's next test, starts in a fraction of a second.
[ $# -ge 2 ] || { echo "usage: $0 PREFIX PROGRAM.exe [ARGUMENTS...]" >&2; exit 2; }
WINEPREFIX=$(realpath -m "$1")
shift
# Wine's debug output off, except what explains a program that does not start (a missing
# DLL, an import that fails); a WINEDEBUG of the caller's own stands.
WINEDEBUG=${WINEDEBUG-"-all,err+module"}
export WINEPREFIX WINEDLLOVERRIDES="mscoree,mshtml=" WINEDEBUG
# wine64 where it is on the path; else Debian's `wine`, which runs wine64 without wine32.
wine=$(command -v wine64 || command -v wine) || {
    echo "wine-run: Wine is not installed (Debian packages wine and wine64)" >&2
    exit 127
}
mkdir -p "$WINEPREFIX"
# A new server (none served the prefix yet): start Wine's own background processes now,
# with their output in a log in the prefix, shown only if wineboot fails. Started by the
# program they would inherit its output and hold it open while they last, and CTest waits
# for that.
if wineserver -p5 2>/dev/null; then
    if ! "$wine" wineboot </dev/null >"$WINEPREFIX/wineboot.log" 2>&1; then
        echo "wine-run: wineboot failed to prepare the Wine prefix $WINEPREFIX:" >&2
        cat "$WINEPREFIX/wineboot.log" >&2
    fi
fi
exec "$wine" "$@"
