#!/bin/bash
# Downloads one video to exactly the given file and reports on standard output, one line each:
#
#   [download]  42.5% of 10.00MiB at   1.20MiB/s ETA 00:07    total size known
#   [download]  42.5% of ~10.00MiB at   1.20MiB/s ETA 00:07   total size estimated
#   [download]    1.23MiB at  300.00KiB/s (00:05)             total size unknown
#   [ffmpeg] Merger                                            ffmpeg at work (progress cannot be measured)
#   [download] 100% of 10.00MiB in 00:08                       closing line
#
# These are the classic line forms (blank padding included) that the application reads; the downloader is
# made to report raw numbers behind a marker that nothing it prints on its own can produce, and they are
# formatted here. Nothing else reaches standard output (the downloader's own messages go to standard
# error), so no title, URL or file name can be mistaken for progress. The closing line comes once, at the
# very end, and only when the downloader succeeded and the finished file is at the target path: a merge of
# several formats or a failing later part can therefore never be reported as a finished download.
#
# The unfinished file is the target path with ".part" added; the information file is the target path with
# ".info.json" added and is written before the media arrives.
#
# Arguments: downloader path; page URL; output file path; ffmpeg path; format (empty or "best" for the
# best there is); "yes"/"no" (subtitles); TV provider id; download proxy file (the one option line
# `--proxy "URL"`, which yt-dlp and curl both read); referer URL; information file; cookie option file (the
# one line `--cookies "FILE"` or `--cookies-from-browser "BROWSER[:PROFILE]"`). Empty
# means not set. With an information file (one the downloader wrote for this video, by an earlier listing
# or an earlier download), the video is taken from it instead of extracting the page again; an unfinished
# file at the target is continued either way.
# A page URL ending in "#kinolark-item=N" (or "&kinolark-item=N"), as ytdl_json_information.sh lists the
# videos of a page that holds several, downloads the page's N-th video.
set -u

ytdl="${1:-}"
page_url="${2:-}"
target="${3:-}"
ffmpeg="${4:-}"
format="${5:-}"
subtitles="${6:-no}"
provider="${7:-}"
proxy_file="${8:-}"
referer="${9:-}"
information="${10:-}"
cookies_file="${11:-}"

if [ -z "$ytdl" ] || [ -z "$page_url" ] || [ -z "$target" ]; then
    echo "usage: ytdl_download.sh DOWNLOADER PAGE_URL OUTPUT [FFMPEG FORMAT SUBTITLES PROVIDER PROXY_FILE REFERER INFORMATION COOKIES_FILE]" >&2
    exit 2
fi
# "best" is the best the site offers: with yt-dlp that is the best picture merged with the best sound where
# they come apart (many sites offer nothing else), else the best single file.
if [ -z "$format" ] || [ "$format" = "best" ]; then
    format="bv*+ba/b"
fi

item=1
if [[ "$page_url" =~ ^(.+)[#\&]kinolark-item=([0-9]+)$ ]]; then
    page_url="${BASH_REMATCH[1]}"
    item="${BASH_REMATCH[2]}"
fi

# Made absolute before the working folder changes.
if [ -n "$information" ] && [[ "$information" != /* ]]; then
    information="$PWD/$information"
fi

# The shell's own clock and expansions rather than date, dirname and basename: this script runs before every
# download, and each helper process is a little more time before the downloader starts.
started=$EPOCHSECONDS
directory=.
name="$target"
if [[ "$target" == */* ]]; then
    directory="${target%/*}"
    directory="${directory:-/}"
    name="${target##*/}"
fi
target_path="$directory/$name"
if ! cd -- "$directory"; then
    echo "ytdl_download.sh: no folder $directory" >&2
    exit 1
fi

# The downloader reads its output names as templates: "%" is doubled so that the name is taken literally,
# and the names are given relative to the target's folder (with "./", so that a leading "~" is no home
# folder) so that no character of the folder's path is interpreted. A "$" cannot be escaped (the downloader
# would replace "$NAME" by the environment variable), so a name holding one is downloaded under a plain
# stand-in name, with links at the unfinished and information file names, and renamed at the end.
download_name="$name"
if [[ "$name" == *'$'* ]]; then
    download_name=$(mktemp -u .ytdl-download-XXXXXXXX) || exit 1
    # An unfinished file of an earlier run is continued under the stand-in name.
    if [ -f "$name.part" ] && [ ! -L "$name.part" ]; then
        mv -f -- "$name.part" "$download_name.part" || exit 1
    fi
    ln -sfn -- "$download_name.part" "$name.part"
    # An information file already there may be the one the video is taken from: it stays.
    if [ ! -e "$name.info.json" ]; then
        ln -sfn -- "$download_name.info.json" "$name.info.json"
    fi
fi
template_name="./${download_name//%/%%}"

# Where the downloader tells the final file's name (after merging it may carry an extension of its own).
final_name_file=$(mktemp ./.ytdl-final-XXXXXXXX) || exit 1
cleanup() {
    rm -f -- "$final_name_file"
}
trap cleanup EXIT
trap 'exit 143' TERM
trap 'exit 130' INT
trap 'exit 129' HUP

# A marker no video can forge: it is made anew for every run.
printf -v marker 'KLYTDL%08x%08x' "$SRANDOM" "$SRANDOM"

progress="$marker D %(progress.status)s %(progress.downloaded_bytes)s %(progress.total_bytes)s"
progress+=" %(progress.total_bytes_estimate)s %(progress.speed)s %(progress.eta)s %(progress.elapsed)s"
progress+=" %(progress.fragment_index)s %(progress.fragment_count)s %(info.format_id&media|other)s"

options=(
    --ignore-config --netrc --no-playlist --playlist-items "$item" --concat-playlist never
    --quiet --no-simulate --progress --newline --no-mtime
    --progress-template "download:$progress"
    --progress-template "postprocess:$marker P %(progress.postprocessor)s %(progress.status)s "
    --print "before_dl:$marker B %(protocol)s"
    --print-to-file "after_move:%(filepath)s" "$final_name_file"
    --format "$format"
    --output "$template_name"
    --write-info-json --no-write-playlist-metafiles --output "infojson:$template_name.%(ext)s"
)
if [ -n "$ffmpeg" ]; then
    options+=(--ffmpeg-location "$ffmpeg")
fi
if [ "$subtitles" = "yes" ]; then
    # Subtitles are an extra: a failed subtitle download must not cost the video.
    options+=(--write-subs --sub-langs "all,-live_chat" --embed-subs --ignore-errors)
fi
if [ -n "$provider" ]; then
    options+=(--ap-mso "$provider")
fi
# The download proxy, login included, comes in a file that only the user can read (a command line is
# readable by every user of the machine). The downloader reads it through descriptor 3, a path it takes as it
# is (it would expand "$NAME" and "~" in the file's own path). No address is exempt from the proxy.
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
if [ -n "$referer" ]; then
    options+=(--add-header "Referer:$referer")
fi

# The classic formatting of sizes, rates and times.
formatting='
function size_text(bytes,    exponent, units) {
    if (bytes == "NA" || bytes == "") {
        return "N/A"
    }
    bytes += 0
    exponent = bytes <= 0 ? 0 : int(log(bytes) / log(1024))
    if (exponent > 8) {
        exponent = 8
    }
    split("B KiB MiB GiB TiB PiB EiB ZiB YiB", units, " ")
    return sprintf("%.2f%s", bytes / (1024 ^ exponent), units[exponent + 1])
}
function time_text(seconds,    hours, minutes) {
    seconds = int(seconds + 0)
    minutes = int(seconds / 60)
    seconds -= minutes * 60
    hours = int(minutes / 60)
    minutes -= hours * 60
    if (hours > 99) {
        return "--:--:--"
    }
    if (hours == 0) {
        return sprintf("%02d:%02d", minutes, seconds)
    }
    return sprintf("%02d:%02d:%02d", hours, minutes, seconds)
}
function known(value) {
    return value != "NA" && value != ""
}
function percent_text(part, whole) {
    return sprintf("%6s", sprintf("%.1f%%", 100 * part / whole))
}
function speed_text(speed) {
    return known(speed) ? sprintf("%10s", size_text(speed) "/s") : "Unknown speed"
}
'

# mawk reads a pipe in large blocks unless told to read it line by line, which would hold the progress back
# until the download ends.
line_by_line=()
if [[ "$(awk -W version 2>/dev/null)" == *mawk* ]]; then
    line_by_line=(-W interactive)
fi

# Printing implies quiet mode, in which the downloader writes its post-processor reports to standard error;
# both streams are therefore read, and everything but the marked records goes on to standard error.
source_options=(-- "$page_url")
if [ -n "$information" ]; then
    source_options=(--load-info-json "$information")
fi
"$ytdl" "${options[@]}" "${source_options[@]}" 2>&1 | awk "${line_by_line[@]}" -v marker="$marker" "$formatting"'
function progress_line(status, done, total, estimate, speed, eta, elapsed, fragment, fragments,    line) {
    if (status == "finished") {
        # One file of the download is complete; the closing line comes at the very end.
        if (!known(total)) {
            total = done
        }
        if (!known(total)) {
            return ""
        }
        return "[download] 100.0% of " size_text(total) " at " speed_text(speed) " ETA 00:00"
    }
    if (status != "downloading") {
        return ""
    }
    eta = known(eta) ? time_text(eta) : "Unknown"
    if (known(total) && total > 0 && known(done)) {
        line = percent_text(done, total) " of " size_text(total) " at " speed_text(speed) " ETA " eta
    } else if (known(estimate) && estimate > 0 && known(done)) {
        line = percent_text(done, estimate) " of ~" size_text(estimate) " at " speed_text(speed) " ETA " eta
    } else if (known(done)) {
        line = sprintf("%10s", size_text(done)) " at " speed_text(speed)
        if (known(elapsed) && elapsed > 0) {
            line = line " (" time_text(elapsed) ")"
        }
    } else {
        return ""
    }
    if (known(fragment) && known(fragments)) {
        line = line " (frag " fragment "/" fragments ")"
    }
    return "[download] " line
}
# Protocols the downloader hands to ffmpeg, which writes the file without reporting progress.
function ffmpeg_protocol(protocols,    parts, count, n) {
    count = split(protocols, parts, "+")
    for (n = 1; n <= count; n++) {
        if (parts[n] ~ /^(m3u8|rtmp_ffmpeg|rtsp|mms)$/) {
            return 1
        }
    }
    return 0
}
function emit(line) {
    if (line != "") {
        print line
        fflush()
    }
}
function handle(record,    field, count) {
    count = split(record, field, " ")
    if (field[1] == "D" && count == 11) {
        # Subtitles and other side files are no part of the video.
        if (field[11] == "media") {
            emit(progress_line(field[2], field[3], field[4], field[5], field[6], field[7], field[8], field[9], field[10]))
        }
    } else if (field[1] == "P" && count >= 3) {
        # Every post-processor but these few runs ffmpeg.
        if (field[3] == "started" && field[2] !~ /^(MoveFiles|MetadataParser|MetadataFromField|MetadataFromTitle|Exec|ExecAfterDownload|XAttrMetadata|SponsorBlock)$/) {
            emit("[ffmpeg] " field[2])
        }
    } else if (field[1] == "B" && count == 2) {
        if (ffmpeg_protocol(field[2])) {
            emit("[ffmpeg] Downloading with ffmpeg")
        }
    }
}
# Post-processor reports end without a newline, so one line may hold several records: each starts with
# the marker.
{
    line = $0
    start = index(line, marker)
    if (start == 0) {
        print line > "/dev/stderr"
        next
    }
    if (start > 1) {
        print substr(line, 1, start - 1) > "/dev/stderr"
    }
    line = substr(line, start + length(marker))
    while ((next_start = index(line, marker)) > 0) {
        handle(substr(line, 1, next_start - 1))
        line = substr(line, next_start + length(marker))
    }
    handle(line)
}'
status=${PIPESTATUS[0]}

if [ "$status" -ne 0 ]; then
    # Killed from outside, the downloader says nothing; its status (128 + the signal) is the reason. A stop
    # asked of this script ends it in its trap before this.
    if [ "$status" -gt 128 ] && [ "$status" -le 192 ]; then
        echo "ERROR: yt-dlp was stopped by signal $((status - 128))" >&2
    fi
    exit "$status"
fi

# Put the finished file exactly at the target path, whatever name the downloader gave it.
final=""
if [ -s "$final_name_file" ]; then
    while IFS= read -r line || [ -n "$line" ]; do
        final="$line"
    done <"$final_name_file"
fi
if [ -n "$final" ] && [ -f "$final" ] && ! [ "$final" -ef "$download_name" ]; then
    mv -f -- "$final" "$download_name" || exit 1
fi
if [ "$download_name" != "$name" ] && [ -f "$download_name" ]; then
    rm -f -- "$name.part"
    mv -f -- "$download_name" "$name" || exit 1
    if [ -f "$download_name.info.json" ]; then
        mv -f -- "$download_name.info.json" "$name.info.json"
    fi
fi
if [ ! -f "$name" ] || [ -L "$name" ]; then
    echo "ytdl_download.sh: the downloader reported success but left no file at $target_path" >&2
    exit 1
fi

size=$(stat -c %s -- "$name")
elapsed=$((EPOCHSECONDS - started))
awk -v size="$size" -v elapsed="$elapsed" "$formatting"'
BEGIN {
    print "[download] 100% of " size_text(size) " in " time_text(elapsed)
}'
