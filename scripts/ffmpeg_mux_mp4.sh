#!/bin/bash
# Joins a video stream and an audio stream, downloaded separately, into one MP4 file without re-encoding,
# and prints ffmpeg's report one update per line (see ffmpeg_report.sh). The output file exists afterwards
# only when the muxing succeeded.
#
# Arguments: video input path; audio input path; output file path.
set -u

video="${1:-}"
audio="${2:-}"
output="${3:-}"
if [ -z "$video" ] || [ -z "$audio" ] || [ -z "$output" ]; then
    echo "usage: ffmpeg_mux_mp4.sh VIDEO AUDIO OUTPUT" >&2
    exit 2
fi

source "$(dirname -- "${BASH_SOURCE[0]}")/ffmpeg_report.sh" || exit 2

# The first picture of the video input and the first sound of the audio input, whatever else either holds.
ffmpeg_run_with_report "$output" "$video" "$audio" -- -i "file:$video" -i "file:$audio" \
    -map 0:v:0 -map 1:a:0 -c copy -f mp4 -movflags +faststart "file:$output"
