#!/bin/sh
# Sets everything up, builds and runs the whole test suite through CTest.
set -eu
cd "$(dirname "$0")/.."
./scripts/setup.sh
cd build
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$(nproc)" "$@"
