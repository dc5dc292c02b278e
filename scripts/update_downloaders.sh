#!/bin/bash
# Refreshes the working copy of the downloader (the "ytdl" launcher in the application data folder) from
# the copy shipped beside this script, and reports what it found and did, one line at a time.
#
# The launcher hands over to the system's yt-dlp, which the system's package manager keeps up to date, so
# there is nothing to fetch from the network; the update proxy arguments are accepted for that reason
# only and are never printed. A working copy is never replaced by one that does not run, nor by a shipped
# copy that reports an older version; the replacement is a rename within the folder, so the working copy
# is at every moment either the old file or the new one.
#
# Arguments: working copy path; update proxy URL; update proxy credentials.
set -u

target="${1:-}"
if [ -z "$target" ]; then
    echo "No downloader path given"
    exit 2
fi

shipped="$(dirname -- "${BASH_SOURCE[0]}")/ytdl"
folder="$(dirname -- "$target")"
candidate=""

cleanup() {
    if [ -n "$candidate" ]; then
        rm -f -- "$candidate"
    fi
}
trap cleanup EXIT
trap 'exit 143' TERM INT HUP

# The first line that "--version" prints, or nothing when the program does not run or fails. The check stays
# in this script's process group, so that stopping the script stops the program being checked as well.
version_of() {
    local output
    output="$(timeout --foreground 120 "$1" --version </dev/null 2>/dev/null)" || return 1
    output="${output%%$'\n'*}"
    [ -n "$output" ] || return 1
    printf '%s' "$output"
}

# True when version $1 is older than version $2.
older_than() {
    [ "$1" != "$2" ] && [ "$(printf '%s\n%s\n' "$1" "$2" | sort -V | head -n 1)" = "$1" ]
}

echo "Downloader: $target"
current_version="$(version_of "$target")"
if [ -n "$current_version" ]; then
    echo "Installed version: $current_version"
elif [ -e "$target" ]; then
    echo "Installed copy does not run"
else
    echo "No installed copy"
fi

if [ ! -f "$shipped" ]; then
    echo "No shipped copy at $shipped"
    echo "Downloader not updated"
    exit 1
fi

if [ -n "$current_version" ] && cmp -s -- "$shipped" "$target"; then
    echo "Downloader is up to date"
    exit 0
fi

# The candidate is made in the working copy's own folder so that installing it is a single rename.
mkdir -p -- "$folder" || { echo "Downloader not updated: cannot create $folder"; exit 1; }
# Its name is known before the file exists, so that a stop at any moment leaves nothing behind; the process
# number keeps it apart from the candidates of other refreshes running now.
candidate="$folder/.ytdl-update.$$"
rm -f -- "$candidate"
if ! cp -- "$shipped" "$candidate" || ! chmod 755 -- "$candidate"; then
    echo "Downloader not updated: cannot write into $folder"
    exit 1
fi

candidate_version="$(version_of "$candidate")"
if [ -z "$candidate_version" ]; then
    echo "Shipped copy does not run"
    echo "Downloader not updated"
    exit 1
fi
echo "Shipped version: $candidate_version"

if [ -n "$current_version" ] && older_than "$candidate_version" "$current_version"; then
    echo "Installed copy is newer than the shipped copy: kept"
    exit 0
fi

if ! mv -f -T -- "$candidate" "$target"; then
    echo "Downloader not updated: cannot replace $target"
    exit 1
fi
candidate=""
echo "Downloader updated to version $candidate_version"
