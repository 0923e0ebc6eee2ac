# Prints where a mutant's line is now: line n when it still reads `want`
# (stripped of indentation and a trailing comment), else the line nearest to
# n that reads so (the earlier on a tie), as code around it shifts; nothing
# when there is none.
#   awk -v n=LINE -v want=TEXT -f locate.awk FILE
function dist(a) { return a > n ? a - n : n - a }
{ s = $0; sub(/^[ \t]+/, "", s); sub(/[ \t]*\/\/.*$/, "", s); sub(/[ \t]+$/, "", s) }
NR == n && s == want { print NR; found = 1; exit }
s == want && (!best || dist(NR) < dist(best)) { best = NR }
END { if (!found && best) print best }
