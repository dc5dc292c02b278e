#!/bin/bash
# Prints the sources of the inline frames (iframe src) of a saved HTML page as absolute URLs, one a line,
# in page order. Relative sources are resolved against the page's <base href> or the optional page URL;
# without either they cannot be made absolute and are left out.
#
# Arguments: HTML file path; optionally the URL the page was saved from.
set -u
source "$(dirname "$0")/kinolark_links.sh"

file="${1:-}"
if [ -z "$file" ]; then
    echo "usage: xidel_extract_iframes.sh HTML_FILE [PAGE_URL]" >&2
    exit 2
fi
kinolark_links iframes --base "${2:-}" -- "$file"
