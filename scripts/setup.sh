#!/bin/sh
# Installs everything tera-import needs on Debian and builds it into build/.
set -eu
cd "$(dirname "$0")/.."

PACKAGES="build-essential cmake pkg-config qt6-base-dev qt6-qpa-plugins libqt6sql6-sqlite libqt6sql6-odbc \
unixodbc unixodbc-dev odbcinst libsqliteodbc sqlite3 fonts-noto-cjk qt6-translations-l10n xvfb xauth"

SUDO=""
if [ "$(id -u)" != "0" ]; then SUDO="sudo"; fi

missing=""
for p in $PACKAGES; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
  echo "== installing:$missing"
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get update -q
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends $missing
fi

# The ODBC tests reach SQLite files through Debian's SQLite ODBC driver;
# make sure unixODBC knows it under the name the tests use.
if ! odbcinst -q -d -n SQLite3 >/dev/null 2>&1; then
  tmp=$(mktemp)
  printf '[SQLite3]\nDescription=SQLite3 ODBC Driver\nDriver=libsqlite3odbc.so\nSetup=libsqlite3odbc.so\n' > "$tmp"
  $SUDO odbcinst -i -d -f "$tmp"
  rm -f "$tmp"
fi

BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}"
cmake -S . -B build -DCMAKE_BUILD_TYPE="$BUILD_TYPE"
cmake --build build -j "$(nproc)"
