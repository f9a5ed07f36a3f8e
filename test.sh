#!/usr/bin/env bash
# Set-up, build, then every test: the optimised build first, the sanitizer build second.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install_deps.sh
scripts/build.sh

export LC_ALL=C.UTF-8 TZ=UTC
status=0
ctest --test-dir build -j "$(nproc)" --output-on-failure || status=1

# The sanitizer tests carry their own environment (suppressions, small frames).
if [ "${VELOMIRA_SKIP_ASAN:-0}" != 1 ]; then
  ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1 \
    ctest --test-dir build-asan -j "$(nproc)" --output-on-failure || status=1
fi

[ $status -eq 0 ] && echo "ALL TESTS PASSED" || echo "SOME TESTS FAILED"
exit $status
