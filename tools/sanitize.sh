# The run-time settings of a sanitized test run (tools/test --sanitize). Sourced.

# Every report of every process (the game and the helpers the tests start included) goes to a
# file of its own, so a report on a captured standard error is never missed.
SANITIZER_REPORTS=$PWD/build-sanitize/sanitizer-reports
rm -rf "$SANITIZER_REPORTS"
mkdir -p "$SANITIZER_REPORTS"
chmod 1777 "$SANITIZER_REPORTS"   # the tests run the game as nobody too

# Mesa's llvmpipe frees LLVM's memory with the wrong call (alloc-dealloc-mismatch inside
# libLLVM); softpipe draws the same pictures without it. Mesa also unloads its driver at exit,
# which leaves LeakSanitizer with stacks it cannot name; keeping the driver and LLVM loaded
# for the whole run lets every leak be traced to its library.
dri=/usr/lib/$(gcc -dumpmachine)/dri/swrast_dri.so   # the build's own architecture
llvm=$(ldd "$dri" 2>/dev/null | awk '/libLLVM/ {print $3}')
export GALLIUM_DRIVER=softpipe
preload="$dri${llvm:+:$llvm}"   # for the test run only (tools/test)
export ASAN_OPTIONS="verify_asan_link_order=0:detect_leaks=1:log_path=$SANITIZER_REPORTS/asan"
export LSAN_OPTIONS="suppressions=$PWD/tools/sanitize.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:log_path=$SANITIZER_REPORTS/ubsan"

check_sanitizer_reports() {
    if [ -n "$(ls -A "$SANITIZER_REPORTS")" ]; then
        echo "Sanitizer reports:" >&2
        cat "$SANITIZER_REPORTS"/* >&2
        return 1
    fi
    echo "No sanitizer reports."
}
