#!/bin/sh
# Runs a test program in a fresh scratch folder of its own, removed afterwards, so
# that test cases running at the same time never share files in their working folder.
dir=$(mktemp -d "${TMPDIR:-/tmp}/quiltest.XXXXXX") || exit 1
cd "$dir" || exit 1
"$@"
status=$?
cd / && rm -rf "$dir"
exit $status
