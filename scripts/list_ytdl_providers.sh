#!/bin/bash
# Lists the TV providers the downloader can log in with: two heading lines, then one "id$Name" line per
# provider (the identifier never holds blanks; the name may).
#
# Arguments: downloader path.
set -u

ytdl="${1:-}"
if [ -z "$ytdl" ]; then
    echo "usage: list_ytdl_providers.sh DOWNLOADER" >&2
    exit 2
fi

# The downloader prints a title line, a column heading line and then the providers in two blank-aligned
# columns.
"$ytdl" --ignore-config --ap-list-mso | LC_ALL=C awk '
NR <= 2 {
    print
    next
}
NF >= 2 {
    name = $0
    sub(/^[ \t]*[^ \t]+[ \t]+/, "", name)
    sub(/[ \t\r]+$/, "", name)
    print $1 "$" name
}'
