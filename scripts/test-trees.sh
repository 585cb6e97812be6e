# Sourced by scripts/test and scripts/soak: how a build tree for tests is made, and the options the
# sanitizer trees run under. Expects $root (the repository) and $jobs.

# build_tests DIR TEST_REGEX [cmake options...]: configure DIR and build what the tests matching
# TEST_REGEX need (everything for "."). Test binaries are named after their tests.
build_tests() {
  local dir=$1 tests=$2; shift 2
  echo "== configure and build $dir"
  mkdir -p "$dir"
  cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >"$dir/configure.log" 2>&1 ||
    { cat "$dir/configure.log"; return 1; }
  local targets=(all)
  if [[ "$tests" != "." ]]; then
    mapfile -t targets < <(cmake --build "$dir" --target help | grep -oE "${tests#^}[A-Za-z0-9]*Test" | sort -u)
  fi
  cmake --build "$dir" -j "$jobs" --target "${targets[@]}"
}

# AddressSanitizer with its leak checker, and UndefinedBehaviorSanitizer.
use_asan_options() {
  unset TSAN_OPTIONS
  export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:detect_stack_use_after_return=1"
  export LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0"
  export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
}

# ThreadSanitizer; use_tsan_options 0 reports every race instead of stopping at the first. Qt,
# PulseAudio and GLib are not instrumented; scripts/tsan.supp says why that needs
# ignore_noninstrumented_modules.
use_tsan_options() {
  unset ASAN_OPTIONS LSAN_OPTIONS UBSAN_OPTIONS
  export TSAN_OPTIONS="halt_on_error=${1:-1}:second_deadlock_stack=1:ignore_noninstrumented_modules=1:suppressions=$root/scripts/tsan.supp"
}
