#!/bin/bash
# Lists the downloader's extractors (its site modules), one name per line. These names become machine
# names of the credentials file, so only names that such a file can hold are listed: the downloader's
# " (CURRENTLY BROKEN)" remark is dropped, and names with blanks in them are left out.
#
# Arguments: downloader path.
set -u

ytdl="${1:-}"
if [ -z "$ytdl" ]; then
    echo "usage: list_ytdl_extractors.sh DOWNLOADER" >&2
    exit 2
fi

"$ytdl" --ignore-config --list-extractors | LC_ALL=C awk '
{
    sub(/[ \t\r]+$/, "")
    sub(/ \(CURRENTLY BROKEN\)$/, "")
}
$0 != "" && $0 !~ /[ \t]/ && !seen[$0]++'
