#!/bin/sh
# Runs every example through the command line into a fresh demo database
# (members, then households, then each death register, appended in turn,
# with a fixed today) and writes what the runs left into OUT: a sorted dump
# of every table and the bytes of kako.rnd. Two builds that behave alike
# leave identical folders:
#   scripts/example-runs.sh build/tera-import before/ ... diff -r before after
set -eu
program=$(realpath "$1")
out=$2
here=$(cd "$(dirname "$0")/.." && pwd)
rm -rf "$out"
mkdir -p "$out"
for enc in utf8 cp932; do
    work=$(mktemp -d)
    "$program" init-demo "$work" >/dev/null
    run() {
        "$program" transcribe --db "$work/tera.mdb" --source "$here/examples/$1" --kind "$2" \
            --mode append --title --auto-link --yes --today 2024-05-10 >/dev/null 2>&1 || echo "exit $? for $1" >>"$out/$enc-exits.txt"
    }
    run members.$enc.csv members
    run households.$enc.csv households
    run death-register.$enc.csv death
    run death-register-old-forms.$enc.csv death
    [ "$enc" = utf8 ] && run death-register.xlsx death
    for t in $(sqlite3 "$work/tera.mdb" "SELECT name FROM sqlite_master WHERE type='table' ORDER BY name"); do
        sqlite3 -header "$work/tera.mdb" "SELECT * FROM [$t]" | sort >"$out/$enc-$t.txt"
    done
    cp "$work/kako.rnd" "$out/$enc-kako.rnd"
    rm -rf "$work"
done
