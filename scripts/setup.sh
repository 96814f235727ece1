#!/bin/sh
# Installs everything tera-import needs on Debian and builds it into build/.
# With target names (./scripts/setup.sh tera-import) only those are built, so
# that the demo reaches its window without compiling the tests first.
set -eu
cd "$(dirname "$0")/.."

PACKAGES="build-essential cmake pkg-config qt6-base-dev qt6-qpa-plugins libqt6sql6-sqlite libqt6sql6-odbc \
unixodbc unixodbc-dev odbcinst libsqliteodbc sqlite3 libsqlite3-dev zlib1g-dev libzip-dev libfreexl-dev libexpat1-dev fonts-noto-cjk qt6-translations-l10n xvfb xauth"
APT_LOCKS="/var/lib/dpkg/lock-frontend /var/lib/dpkg/lock /var/lib/apt/lists/lock /var/cache/apt/archives/lock"

SUDO=""
if [ "$(id -u)" != "0" ]; then SUDO="sudo"; fi

# Another apt-get or an unattended upgrade holding the package lock is common
# on a fresh machine; wait for it instead of failing half-way.
apt_lock_holders() {
  command -v fuser >/dev/null 2>&1 || return 0
  # shellcheck disable=SC2086
  $SUDO fuser $APT_LOCKS 2>/dev/null || true
}
wait_for_apt_lock() {
  said=""
  waited=0
  while [ -n "$(apt_lock_holders)" ]; do
    if [ -z "$said" ]; then
      echo "== 別のプログラム（プロセス$(apt_lock_holders)）がパッケージ管理を使用中です。終わるのを待っています…"
      said=1
    fi
    sleep 5
    waited=$((waited + 5))
    if [ $((waited % 60)) -eq 0 ]; then echo "== まだ待っています（${waited} 秒）"; fi
  done
  if [ -n "$said" ]; then echo "== パッケージ管理が空きました。続けます。"; fi
}
# apt-get waits as well, for the moment between the check and its own start.
apt_get() {
  wait_for_apt_lock
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=1800 "$@"
}

missing=""
for p in $PACKAGES; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
  echo "== installing:$missing"
  apt_get update -q
  # shellcheck disable=SC2086
  apt_get install -y -q --no-install-recommends $missing
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
# TERA_WERROR=ON (set by CI) turns compiler warnings into errors.
cmake -S . -B build -DCMAKE_BUILD_TYPE="$BUILD_TYPE" -DTERA_WERROR="${TERA_WERROR:-OFF}"
if [ $# -gt 0 ]; then
  cmake --build build -j "$(nproc)" --target "$@"
else
  cmake --build build -j "$(nproc)"
fi
