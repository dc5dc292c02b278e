#!/bin/bash
# Lists every format a video page offers as a tab-separated table:
#
#   format code<TAB>extension<TAB>resolution note
#   137<TAB>mp4<TAB>1920x1080 30fps, 4435k, avc1.640028, video only, 101.32MiB
#   140<TAB>m4a<TAB>audio only 129k, mp4a.40.2@129k (44100Hz), 3.01MiB
#
# The third column starts with WIDTHxHEIGHT (or "audio only"), carries the frame rate as "NNfps" and the
# audio codec as "codec@NNNk"; "video only" and "audio only" mark formats that lack one of the streams.
# Rows are listed worst first, the order of the downloader's own format list.
#
# Arguments: downloader path; page URL; download proxy file and cookie option file, as for
# ytdl_download.sh (empty for none).
set -u

ytdl="${1:-}"
page_url="${2:-}"
proxy_file="${3:-}"
cookies_file="${4:-}"

if [ -z "$ytdl" ] || [ -z "$page_url" ]; then
    echo "usage: list_youtube_format_descriptions.sh DOWNLOADER PAGE_URL [PROXY_FILE] [COOKIES_FILE]" >&2
    exit 2
fi

options=(--ignore-config --no-playlist --playlist-items 1 --no-check-formats --no-warnings)
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

# "-f all" makes the downloader run the template once per format. Every field goes through JSON so that
# whatever a site puts into it (tabs, newlines, quotes) stays inside one escaped value on one line; the
# tabs between the fields are therefore the only tabs of a record. awk reads the numbers in the C locale,
# whatever the user's decimal separator.
tab=$'\t'
template="%(format_id)+j${tab}%(ext)+j${tab}%(width)j${tab}%(height)j${tab}%(fps)j${tab}%(vcodec)+j"
template+="${tab}%(acodec)+j${tab}%(abr)j${tab}%(tbr)j${tab}%(asr)j${tab}%(filesize)j${tab}%(filesize_approx)j"

printf 'format code\textension\tresolution note\n'
"$ytdl" "${options[@]}" -f all -O "$template" -- "$page_url" | LC_ALL=C awk -F '\t' '
# A JSON string value without its quotes; numbers and the "NA" placeholder come back as they are.
function unquote(value) {
    if (value ~ /^".*"$/) {
        return substr(value, 2, length(value) - 2)
    }
    return value
}
# A number, or -1 when the field is missing.
function number(value) {
    value = unquote(value)
    if (value ~ /^[0-9]+(\.[0-9]+)?$/) {
        return value + 0
    }
    return -1
}
# Codec names only keep the characters real codec names use, so that nothing a site sends can be taken
# for one of the markers the table is read by.
function codec(value) {
    value = unquote(value)
    gsub(/[^A-Za-z0-9._-]/, "", value)
    gsub(/fps/, "", value)
    if (value == "NA") {
        return ""
    }
    return value
}
function append(text, part) {
    if (part == "") {
        return text
    }
    return text == "" ? part : text ", " part
}
function size_text(bytes, approximate) {
    if (bytes < 0) {
        return ""
    }
    return sprintf("%s%.2fMiB", approximate ? "~" : "", bytes / 1048576)
}
NF == 12 {
    id = unquote($1)
    extension = unquote($2)
    gsub(/[^A-Za-z0-9]/, "", extension)
    # The code is handed back to the downloader as its format; one that needed escaping is no real code.
    if (id == "" || id ~ /[\\"[:space:]]/ || extension == "") {
        next
    }
    width = number($3); height = number($4); fps = number($5)
    video = codec($6); audio = codec($7)
    abr = number($8); tbr = number($9); asr = number($10)
    filesize = number($11); approximate = number($12)

    # Storyboards and other picture series carry neither stream: they are no media to download.
    if (video == "none" && audio == "none") {
        next
    }

    note = ""
    if (video == "none") {
        resolution = "audio only"
        if (abr < 0) {
            abr = tbr
        }
        note = append(note, tbr >= 0 ? sprintf("%dk", tbr + 0.5) : "")
        audio_text = audio
        if (abr >= 0) {
            audio_text = audio_text sprintf("@%dk", abr + 0.5)
        }
        if (asr > 0) {
            audio_text = audio_text sprintf(" (%dHz)", asr + 0.5)
        }
        note = append(note, audio_text)
    } else {
        if (width < 0 && height < 0) {
            resolution = "unknown"
        } else {
            resolution = sprintf("%dx%d", width < 0 ? 0 : width, height < 0 ? 0 : height)
        }
        # The frame rate comes first so that it is the first "fps" of the column.
        note = append(note, fps > 0 ? sprintf("%dfps", fps + 0.5) : "")
        note = append(note, tbr >= 0 ? sprintf("%dk", tbr + 0.5) : "")
        note = append(note, video)
        if (audio == "none") {
            note = append(note, "video only")
        } else if (audio != "") {
            note = append(note, abr >= 0 ? audio sprintf("@%dk", abr + 0.5) : audio)
        }
    }
    note = append(note, filesize >= 0 ? size_text(filesize, 0) : size_text(approximate, 1))
    rows[++count] = id "\t" extension "\t" resolution (note == "" ? "" : " " note)
}
END {
    # The downloader runs the formats best first; the table lists them worst first.
    for (row = count; row >= 1; row--) {
        print rows[row]
    }
}'
