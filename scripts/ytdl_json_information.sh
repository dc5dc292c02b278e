#!/bin/bash
# Lists the videos a page holds, one JSON object per line, in page order:
#
#   {"title":"Some clip","webpage_url":"https://example.org/watch/1","information":"/folder/1.info.json"}
#
# A playlist gives one line per video. Given a folder, the downloader's information file of each video is
# written there and named in "information", so that the video's later downloads need not extract the page
# again; without one, or when no file was written, the field is left out. Every link must lead a later download to that one video: when
# several videos share one page (videos embedded in an ordinary page all report the page itself as their
# page), or a page that holds several videos is itself the link of one of them, the link gets the item
# marker "#kinolark-item=N" (or "&kinolark-item=N" when the page address already has a fragment), which
# ytdl_download.sh turns into the downloader's playlist item N. The link thus stays the page, so the title
# the user sees is the page's title for that video, not a file name.
#
# Arguments: downloader path; page URL; TV provider id (empty for none); download proxy file, as for
# ytdl_download.sh (empty for none); information folder (empty for none); cookie option file, as for
# ytdl_download.sh (empty for none).
set -u

ytdl="${1:-}"
page_url="${2:-}"
provider="${3:-}"
proxy_file="${4:-}"
information_folder="${5:-}"
cookies_file="${6:-}"

if [ -z "$ytdl" ] || [ -z "$page_url" ]; then
    echo "usage: ytdl_json_information.sh DOWNLOADER PAGE_URL [PROVIDER] [PROXY_FILE] [INFORMATION_FOLDER] [COOKIES_FILE]" >&2
    exit 2
fi

# --ignore-errors: one unavailable video must not hide the rest of a playlist. The user's own downloader
# configuration is ignored: it could change what is printed.
options=(--ignore-config --ignore-errors --netrc --no-warnings --output-na-placeholder "")
if [ -n "$provider" ]; then
    options+=(--ap-mso "$provider")
fi
# The download proxy's file, read through descriptor 3 as in ytdl_download.sh.
if [ -n "$proxy_file" ]; then
    exec 3<"$proxy_file" || exit 1
    unset no_proxy NO_PROXY
    options+=(--config-locations /dev/fd/3)
fi
# The cookies the sites see (the user's session), as a file of the downloader's cookie option read through
# descriptor 4 as the proxy's is: no cookie and no cookie file of the user's is ever on a command line.
if [ -n "$cookies_file" ]; then
    exec 4<"$cookies_file" || exit 1
    options+=(--config-locations /dev/fd/4)
fi
# The information files are numbered as the downloader counts the videos it lists; the same number is
# printed with each record, so that the two can be matched. They are named relative to the folder, which
# the downloader runs in: it would read "%" and "$" in a full path as parts of a template.
number_field=""
working_folder="."
if [ -n "$information_folder" ]; then
    information_folder=$(realpath -- "$information_folder") || exit 1
    working_folder="$information_folder"
    if [[ "$ytdl" == */* ]]; then
        ytdl=$(realpath -- "$ytdl") || exit 1
    fi
    # The format is the downloader's own default when it can merge (and ytdl_download.sh's "best"), named
    # so that it does not run ffmpeg to find out whether it can (some 80 ms of every listing). A download
    # chooses its format again.
    options+=(--no-simulate --skip-download --write-info-json --no-write-playlist-metafiles
        --output "infojson:./%(autonumber)d.%(ext)s" --format "bv*+ba/b")
    number_field='%(autonumber)d'
fi

# Both texts go through JSON, so whatever a site puts into them (tabs, newlines, quotes) stays inside one
# escaped value; the tabs between the fields are therefore the only tabs of a record. A missing field
# prints as an empty JSON string ("").
tab=$'\t'
template="%(webpage_url)+j${tab}%(playlist_index)d${tab}%(title)+j${tab}${number_field}"

(cd -- "$working_folder" && exec "$ytdl" "${options[@]}" -O "$template" -- "$page_url") |
    KINOLARK_PAGE_URL="$page_url" KINOLARK_INFORMATION_FOLDER="$information_folder" awk -F '\t' '
function json_text(text) {
    gsub(/\\/, "\\\\", text)
    gsub(/"/, "\\\"", text)
    gsub(/\t/, "\\t", text)
    gsub(/\n/, "\\n", text)
    gsub(/\r/, "\\r", text)
    return "\"" text "\""
}
NF == 4 && $1 ~ /^".*"$/ && $3 ~ /^".*"$/ {
    count++
    links[count] = $1
    items[count] = $2
    titles[count] = $3
    numbers[count] = $4
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
        record = "\"webpage_url\":" link
        if (titles[n] != "\"\"") {
            record = "\"title\":" titles[n] "," record
        }
        information = ENVIRON["KINOLARK_INFORMATION_FOLDER"] "/" numbers[n] ".info.json"
        if (numbers[n] ~ /^[0-9]+$/ && (getline ignored < information) > 0) {
            close(information)
            record = record ",\"information\":" json_text(information)
        }
        print "{" record "}"
    }
}'
