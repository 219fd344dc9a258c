#!/usr/bin/env bash
# Checks the layers of src/: no file includes a header of a layer above its own or beside it
# (platform < registry < core < archive < backup, restore, disc < safety, automation < app,
# cli), and
# Qt is included only in gui/ folders. Prints every include that breaks a rule and exits 1 when
# there is one.
#   bash scripts/check-layers.sh
set -euo pipefail
cd "$(dirname "$0")/.."

find src -name '*.h' -o -name '*.cpp' | sort | awk '
  BEGIN {
    split("platform registry core archive backup restore disc safety automation app cli", names, " ")
    split("0 1 2 3 4 4 4 5 5 6 6", ranks, " ")
    for (i in names) rank[names[i]] = ranks[i]
  }
  {
    file = $0
    split(file, parts, "/")
    me = parts[2]
    gui = index(file, "/gui/") > 0
    line = 0
    while ((getline text < file) > 0) {
      ++line
      if (text ~ /^[ \t]*#[ \t]*include[ \t]*<Q/ && !gui) {
        print file ":" line ": Qt outside a gui folder: " text
        bad = 1
      }
      if (match(text, /^[ \t]*#[ \t]*include[ \t]*"[a-z_]+\//)) {
        target = substr(text, RSTART, RLENGTH)
        sub(/^.*"/, "", target)
        sub(/\/$/, "", target)
        if (target != me && (target in rank) && (me in rank) && rank[target] >= rank[me]) {
          print file ":" line ": " me " includes " target ": " text
          bad = 1
        }
      }
    }
    close(file)
  }
  END { exit bad }
'
