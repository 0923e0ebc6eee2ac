# Prints where a mutant's line is now: line n when it still reads `want`
# (stripped of indentation and a trailing comment), else the one line in the
# file that reads so; nothing when there is none or more than one.
#   awk -v n=LINE -v want=TEXT -f locate.awk FILE
{ s = $0; sub(/^[ \t]+/, "", s); sub(/[ \t]*\/\/.*$/, "", s); sub(/[ \t]+$/, "", s) }
NR == n && s == want { print NR; found = 1; exit }
s == want { hits[++k] = NR }
END { if (!found && k == 1) print hits[1] }
