#!/bin/sh
# check_layers.sh against small trees that each break one of its rules or keep to them: a check
# whose patterns matched nothing would pass the real tree for ever.
#
#   check_layers_test.sh CHECKER
set -u
if [ $# -ne 1 ] || [ ! -f "$1" ]; then
  echo "usage: check_layers_test.sh CHECKER" >&2
  exit 2
fi
checker=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

# One case a line: the outcome (pass or fail); a file added to a tree that keeps every rule; what
# it holds (a line of C++, or "lines N"); the checker's extra arguments; and, for a failure, what
# its report must name when that is not the file.
while IFS=';' read -r expect file body args named; do
  tree=$work/tree
  rm -rf "$tree"
  for layer in platform convert walk app cli testing; do
    mkdir -p "$tree/$layer"
    echo '#include "platform/status.h"' >"$tree/$layer/base.h"
  done
  mkdir -p "$(dirname "$tree/$file")"
  case $body in
    lines\ *) seq "${body#lines }" >"$tree/$file" ;;
    *) printf '%s\n' "$body" >"$tree/$file" ;;
  esac
  # shellcheck disable=SC2086 # the arguments are words
  sh "$checker" "$tree" $args >"$work/report" 2>&1
  status=$?
  case $expect in
    pass) [ $status -eq 0 ] ;;
    fail) [ $status -eq 1 ] && grep -qF "${named:-$file}" "$work/report" ;;
  esac || {
    echo "expected $expect (status $status) for $file holding '$body' $args:"
    sed 's/^/  /' "$work/report"
    failures=$((failures + 1))
  }
done <<'CASES'
pass;convert/a.cpp;#include "platform/status.h";;
pass;app/a.cpp;#include "walk/walk_tree.h";;
pass;cli/a.cpp;#include <convert/cue.h>;;
fail;platform/a.h;#include "convert/cue.h";;
fail;platform/a.cpp;#include "walk/walk_tree.h";;
fail;platform/a.cpp;#include "app/dialogs.h";;
fail;platform/a.cpp;#include "cli/cli.h";;
fail;convert/a.cpp;#include "walk/walk_tree.h";;
fail;convert/a.h;#include <app/dialogs.h>;;
fail;walk/a.cpp;  #  include "cli/cli.h";;
fail;walk/a.cpp;#include "app/dialogs.h";;
pass;convert/a.cpp;// #include "walk/walk_tree.h" went;;
fail;platform/a.cpp;#include "testing/temp_dir.h";;
fail;cli/a.cpp;#include "testing/temp_dir.h";;
fail;app/a.h;#include "testing/temp_dir.h";;
pass;cli/a_test.cpp;#include "testing/temp_dir.h";;
pass;platform/a_test.cpp;#include "testing/memory_file_system.h";;
fail;platform/a_test.cpp;#include "convert/cue.h";;
fail;convert/a_test.cpp;#include "walk/walk_tree.h";;
pass;walk/a.cpp;lines 500;;
fail;walk/a.cpp;lines 501;;
fail;platform/a.h;lines 501;;
pass;walk/a_test.cpp;lines 900;;
pass;testing/a.cpp;lines 900;;
pass;convert/long.cpp;lines 501;--allow-long convert/long.cpp;
fail;convert/long.cpp;lines 500;--allow-long convert/long.cpp;
fail;convert/a.cpp;lines 10;--allow-long convert/gone.cpp;convert/gone.cpp
fail;text/a.cpp;#include "platform/status.h";;text/
CASES

if [ $failures -ne 0 ]; then
  echo "$failures case(s) of the layer check went wrong" >&2
  exit 1
fi
echo "every case of the layer check held"
