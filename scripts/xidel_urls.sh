#!/bin/bash
# Prints the links and media sources (a, video, audio, source, embed, object) of a web page as absolute
# URLs, one a line, in page order. The page is fetched with redirects followed, and relative addresses are
# resolved against the address it was finally fetched from. A page that cannot be fetched prints nothing.
#
# Arguments: page URL; download proxy file, as for ytdl_download.sh (empty for none): the page is fetched
# through the same proxy as the videos, so that the site sees one address; cookie file (Netscape format,
# read and never written; empty for none): the session the page is fetched in.
set -u
source "$(dirname "$0")/kinolark_links.sh"

page_url="${1:-}"
proxy_file="${2:-}"
cookie_file="${3:-}"
if [ -z "$page_url" ]; then
    echo "usage: xidel_urls.sh PAGE_URL [PROXY_FILE [COOKIE_FILE]]" >&2
    exit 2
fi

# curl reads the proxy's option line from the file (the login stays off the command line); no address is
# exempt from the proxy.
proxy_options=()
if [ -n "$proxy_file" ]; then
    exec 3<"$proxy_file" || exit 1
    unset no_proxy NO_PROXY
    proxy_options=(--config /dev/fd/3)
fi

page="$(mktemp "${TMPDIR:-/tmp}/kinolark-page-XXXXXX")" || exit 1
trap 'rm -f "$page"' EXIT
trap 'exit 143' TERM
trap 'exit 130' INT

# Only web pages are fetched (no file:, dict: or the like, not even through a redirect), and a page is not
# a video: anything much larger is not worth scraping. --fail: an error page's links are not the page's.
# --cookie with an empty name still turns curl's cookie engine on, for the cookies the redirects set.
final_url="$(curl "${proxy_options[@]}" --silent --show-error --location --fail --compressed \
    --cookie "$cookie_file" \
    --proto '=http,https' --proto-redir '=http,https' --max-redirs 10 \
    --connect-timeout 20 --max-time 120 --max-filesize 33554432 \
    --user-agent 'Mozilla/5.0 (X11; Linux x86_64; rv:115.0) Gecko/20100101 Firefox/115.0' \
    --output "$page" --write-out '%{url_effective}' --url "$page_url")" || exit 1

kinolark_links media --base "$final_url" -- "$page"
