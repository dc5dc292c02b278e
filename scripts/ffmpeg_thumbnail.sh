#!/bin/bash
# Writes the first picture of a media file as a PNG image, scaled down to fit 400x300 (never up). The image
# appears at its path whole or not at all: callers poll for it while the media file is still arriving.
# Prints nothing that anybody reads.
#
# Arguments: media file path; image file path.
set -u

input="${1:-}"
image="${2:-}"
if [ -z "$input" ] || [ -z "$image" ]; then
    echo "usage: ffmpeg_thumbnail.sh MEDIA_FILE IMAGE_FILE" >&2
    exit 2
fi

partial="$image.$$.partial.png"
trap 'rm -f -- "$partial"' EXIT

# "file:" keeps names beginning with "-" or holding ":" from being taken for options or protocols;
# "-update 1" makes the image writer take the name literally instead of as a numbered pattern.
ffmpeg -nostdin -hide_banner -loglevel error -y -i "file:$input" -map 0:v:0 -frames:v 1 \
    -vf "scale=w='min(224,iw)':h='min(168,ih)':force_original_aspect_ratio=decrease" \
    -c:v png -f image2 -update 1 "file:$partial" </dev/null

if [ -s "$partial" ]; then
    mv -f -- "$partial" "$image"
fi
