#!/bin/sh
# Sets everything up, builds the program alone (the tests and benchmarks are
# left to ./scripts/test.sh), creates the demo database in demo/ (once) and
# starts the program on it.
set -eu
cd "$(dirname "$0")/.."
./scripts/setup.sh tera-import
if [ ! -f demo/tera.mdb ]; then
  ./build/tera-import init-demo demo
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "画面（DISPLAY）がないため、仮想画面（xvfb-run）で起動します。"
  exec xvfb-run -a ./build/tera-import "$PWD/demo/tera.mdb"
fi
exec ./build/tera-import "$PWD/demo/tera.mdb"
