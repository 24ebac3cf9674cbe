#!/bin/sh
# Writes ../lang.ini from lang.utf8.ini: UTF-16LE with byte-order mark and CR LF line ends,
# the form the application reads and writes. Run it after editing lang.utf8.ini and commit
# both files (a unit test checks that they agree).
set -eu
here=$(cd "$(dirname "$0")" && pwd)
src="$here/lang.utf8.ini"
out="$here/../lang.ini"
{
  printf '\377\376'
  sed 's/\r$//; s/$/\r/' "$src" | iconv -f UTF-8 -t UTF-16LE
} >"$out.tmp"
mv "$out.tmp" "$out"
