#!/bin/bash
# SPDX-License-Identifier: MIT
# Installs what is missing, builds, and runs the whole test suite inside a
# private X server with a window manager: first as built on Qt 5, with the
# Windows program under Wine, then on Qt 6, then on Qt 5 with
# AddressSanitizer and UndefinedBehaviorSanitizer, where any report fails.
set -euo pipefail
cd "$(dirname "$0")"
tools/setup.sh --test
tools/setup.sh --test --qt6
# The Windows program, run under Wine by the plain Qt 5 suite only.
scr=$(tools/windows.sh)
cmake -S . -B build -DHEARTS_WINDOWS_PROGRAM="$scr" >/dev/null
cmake --build build -j"$(nproc)"
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"

# Every row that did not run, with why: a whole test that exits 77, which
# ctest lists as skipped, says why last; a Qt Test row on its SKIP line.
skipped=$(mktemp)
skips() {
    awk -v suite="$1" '
        FNR == NR { if (/\(Skipped\)$/) skip[$3] = 1; next }
        / Test: / { test = $3 }
        /^SKIP   : / { print suite ": " test ": " substr($0, 10); rows[test] = 1 }
        /^<end of output>$/ && test in skip && !(test in rows) { print suite ": " test ": " said }
        NF { said = $0 }' "$2/ctest.out" "$2/Testing/Temporary/LastTest.log" >>"$skipped"
}

plain=passed
tests/xsession.sh ctest --test-dir build --output-on-failure | tee build/ctest.out || plain=FAILED
skips "plain suite" build
qt6=passed
tests/xsession.sh ctest --test-dir build-qt6 --output-on-failure | tee build-qt6/ctest.out || qt6=FAILED
skips "Qt 6 suite" build-qt6

cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo -DHEARTS_SANITIZE=ON >/dev/null
cmake --build build-sanitize -j"$(nproc)"
# Reports go to files: most would come from the program run as a test's child,
# whose output nobody shows. The preloaded module keeps Mesa's driver mapped
# until the leak check (see tests/sanitizers/keepmodules.cpp). Blocks of
# dynamic thread-local storage are not tracked: the runtime's record of them
# now and then holds a range that was never mapped, and the leak check then
# dies on it instead of reporting (once in about sixty runs of the program).
# Leaving those ranges out of the search for pointers can only add reports,
# never hide one.
reports=$(mktemp -d)
sanitized=passed
LD_PRELOAD="$PWD/build-sanitize/tests/libhearts_keepmodules.so" \
ASAN_OPTIONS="verify_asan_link_order=0:intercept_tls_get_addr=0:log_path=$reports/asan" \
LSAN_OPTIONS="suppressions=$PWD/tests/sanitizers/lsan.supp:print_suppressions=0" \
UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:log_path=$reports/ubsan" \
    tests/xsession.sh ctest --test-dir build-sanitize --output-on-failure | tee build-sanitize/ctest.out ||
    sanitized=FAILED
skips "sanitized suite" build-sanitize
if [ -n "$(ls -A "$reports")" ]; then
    cat "$reports"/*
    sanitized="FAILED ($(ls "$reports" | wc -l) sanitizer reports above)"
fi

echo "Rows that did not run:"
sed 's/^/    /' "$skipped"
[ -s "$skipped" ] || echo "    none"
echo "plain suite: $plain; Qt 6 suite: $qt6; sanitized suite: $sanitized"
[ "$plain" = passed ] && [ "$qt6" = passed ] && [ "$sanitized" = passed ]
