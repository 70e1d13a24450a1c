# Sourced by the install and package tests; each check calls fail (defined by
# the caller) with what it found wrong.
#
# check_tree WHAT ROOT SOURCE_DIR
#   An installed tree at ROOT (the prefix, such as usr) holds exactly the two
#   programs, their manual pages gzipped, the copyright file and the
#   changelog; the pages and changelog unpack to the sources in SOURCE_DIR,
#   and are compressed as gzip -9n does it: no name, no time stamp.
#
# check_stripped WHAT PROGRAM
#   PROGRAM has no symbol table, no debugging sections and no .comment
#   section naming the compiler.

installed_files="bin/preflist-report bin/preflister share/doc/preflister/changelog.gz share/doc/preflister/copyright \
share/man/man1/preflist-report.1.gz share/man/man1/preflister.1.gz"

check_tree() {
  local what=$1 root=$2 source=$3 files program gz plain header
  files=$(cd "$root" && find . -type f | sed 's|^\./||' | LC_ALL=C sort | paste -sd ' ' -)
  [ "$files" = "$installed_files" ] || fail "$what: installed files under $root are: $files"
  for program in preflister preflist-report; do
    [ -x "$root/bin/$program" ] || fail "$what: $root/bin/$program is not executable"
  done
  for plain in man/man1/preflister.1:doc/preflister.1 man/man1/preflist-report.1:doc/preflist-report.1 \
      doc/preflister/changelog:doc/changelog; do
    gz=$root/share/${plain%%:*}.gz
    [ -f "$gz" ] || continue
    gzip -dc "$gz" | cmp -s - "$source/${plain#*:}" || fail "$what: $gz does not unpack to ${plain#*:}"
    # Bytes 4 to 8: flags (no name, no comment) and a zero time stamp.
    header=$(od -A n -t x1 -j 3 -N 5 "$gz" | tr -d ' \n')
    [ "$header" = 0000000000 ] || fail "$what: $gz has a name or a time stamp (header bytes 4-8: $header)"
  done
  cmp -s "$root/share/doc/preflister/copyright" "$source/doc/copyright" ||
    fail "$what: the copyright file differs from doc/copyright"
}

check_stripped() {
  local what=$1 program=$2 sections
  sections=$(readelf -S -W "$program" 2>&1) || { fail "$what: readelf -S $program: $sections"; return; }
  if grep -qE ' \.(symtab|comment|debug_[a-z]+) ' <<<"$sections"; then
    fail "$what: $program keeps $(grep -oE ' \.(symtab|comment|debug_[a-z]+) ' <<<"$sections" | paste -sd ' ' -)"
  fi
}
