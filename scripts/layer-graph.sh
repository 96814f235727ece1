#!/bin/sh
# Prints the link edges between the project's own libraries, as CMake sees
# them: the graph in docs/architecture.md comes from here.
set -eu
cd "$(dirname "$0")/.."
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
cmake -S . -B "$out/build" --graphviz="$out/deps.dot" >/dev/null
# node ids -> names, then the edges between tera_* libraries and programs.
awk '
  /\[ label = / { id=$1; gsub(/"/, "", id); name=$0; sub(/.*label = "/, "", name); sub(/".*/, "", name); label[id]=name; next }
  / -> / { from=$1; to=$3; gsub(/"/, "", from); gsub(/"/, "", to); edges[++n]=from " " to }
  END {
    for (i = 1; i <= n; i++) {
      split(edges[i], e, " ");
      a = label[e[1]]; b = label[e[2]];
      if ((a ~ /^tera/) && (b ~ /^tera_/) && a != "tera_testsupport") print a " -> " b;
    }
  }' "$out/deps.dot" | sort -u
