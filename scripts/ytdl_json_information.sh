#!/bin/bash
# Lists the videos a page holds, one JSON object per line, in page order:
#
#   {"title":"Some clip","webpage_url":"https://example.org/watch/1"}
#
# A playlist gives one line per video. Every link must lead a later download to that one video: when
# several videos share one page (videos embedded in an ordinary page all report the page itself as their
# page), or a page that holds several videos is itself the link of one of them, the link gets the item
# marker "#kinolark-item=N" (or "&kinolark-item=N" when the page address already has a fragment), which
# ytdl_download.sh turns into the downloader's playlist item N. The link thus stays the page, so the title
# the user sees is the page's title for that video, not a file name.
#
# Arguments: downloader path; page URL; TV provider id (empty for none); proxy URL (empty for none).
set -u

ytdl="${1:-}"
page_url="${2:-}"
provider="${3:-}"
proxy_url="${4:-}"

if [ -z "$ytdl" ] || [ -z "$page_url" ]; then
    echo "usage: ytdl_json_information.sh DOWNLOADER PAGE_URL [PROVIDER] [PROXY_URL]" >&2
    exit 2
fi

# --ignore-errors: one unavailable video must not hide the rest of a playlist. The user's own downloader
# configuration is ignored: it could change what is printed.
options=(--ignore-config --ignore-errors --netrc --no-warnings --output-na-placeholder "")
if [ -n "$provider" ]; then
    options+=(--ap-mso "$provider")
fi
if [ -n "$proxy_url" ]; then
    options+=(--proxy "$proxy_url")
fi

# Both texts go through JSON, so whatever a site puts into them (tabs, newlines, quotes) stays inside one
# escaped value; the tabs between the fields are therefore the only tabs of a record. A missing field
# prints as an empty JSON string ("").
tab=$'\t'
template="%(webpage_url)+j${tab}%(playlist_index)d${tab}%(title)+j"

"$ytdl" "${options[@]}" -O "$template" -- "$page_url" | KINOLARK_PAGE_URL="$page_url" awk -F '\t' '
NF == 3 && $1 ~ /^".*"$/ && $3 ~ /^".*"$/ {
    count++
    links[count] = $1
    items[count] = $2
    titles[count] = $3
    seen[$1]++
}
END {
    # The analysed page as the downloader writes it in JSON (for the addresses that need no escaping).
    page = "\"" ENVIRON["KINOLARK_PAGE_URL"] "\""
    for (n = 1; n <= count; n++) {
        link = links[n]
        # Shared page: point the link at the video by its place on the page. The marker holds only
        # characters that need no escaping, so it can go right before the closing quote.
        shared = seen[link] > 1 || (count > 1 && link == page)
        if (shared && items[n] ~ /^[0-9]+$/ && link != "\"\"") {
            separator = index(link, "#") > 0 ? "&" : "#"
            link = substr(link, 1, length(link) - 1) separator "kinolark-item=" items[n] "\""
        }
        if (titles[n] == "\"\"") {
            print "{\"webpage_url\":" link "}"
        } else {
            print "{\"title\":" titles[n] ",\"webpage_url\":" link "}"
        }
    }
}'
