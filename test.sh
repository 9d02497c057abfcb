#!/usr/bin/env bash
# Sets everything up, builds, and runs the whole test suite offscreen, each test on a private
# session bus of its own.
set -euo pipefail
cd "$(dirname "$0")"
SLEEVELIGHT_CMAKE_ARGS="${SLEEVELIGHT_CMAKE_ARGS:-} -DSLEEVELIGHT_WERROR=${CI:+ON}" ./scripts/setup.sh
cd build
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)"
