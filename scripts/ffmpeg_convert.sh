#!/bin/bash
# Converts a media file with ffmpeg and prints ffmpeg's report one update per line (see ffmpeg_report.sh).
# The output file exists afterwards only when the conversion succeeded.
#
# Arguments: input file path; output file path ("/dev/null" for the first pass of a two-pass conversion);
# then the ffmpeg output options, each a word of its own (codecs, filters, "-pass 1 -passlogfile PREFIX
# ... -f FORMAT").
set -u

input="${1:-}"
output="${2:-}"
if [ -z "$input" ] || [ -z "$output" ]; then
    echo "usage: ffmpeg_convert.sh INPUT OUTPUT [FFMPEG_OPTIONS...]" >&2
    exit 2
fi
shift 2

source "$(dirname -- "${BASH_SOURCE[0]}")/ffmpeg_report.sh" || exit 2

# "file:" keeps names that begin with "-" or hold a ":" from being read as options or protocols.
ffmpeg_run_with_report "$output" "$input" -- -i "file:$input" "$@" "file:$output"
