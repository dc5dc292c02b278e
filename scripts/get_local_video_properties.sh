#!/bin/bash
# Describes a local media file for the application, one value per line:
#
#   video only:      duration, container, "Video", frame size (WxH), video codec, frame rate
#   audio only:      duration, container, "Audio", audio codec, sample rate, channel layout
#   video and audio: duration, container, "Video", frame size, video codec, frame rate,
#                    "Audio", audio codec, sample rate, channel layout
#
# The duration reads hours:minutes:seconds.fraction; the frame rate and the sample rate are whole numbers;
# the container is a file extension that an output file of the same kind can carry (mp4, m4a, mov, webm,
# mkv, mp3, ...), or "tty" for a text file, which is no media at all. Nothing is printed for a file that
# cannot be read as media.
#
# Arguments: media file path; a scratch file path (ffprobe's report is kept there while it is read); an image
# file path (optional), where a frame of the video is made as ffmpeg_thumbnail.sh makes it, while the file is
# probed: the two short runs take one's time side by side.
set -u

input="${1:-}"
scratch="${2:-}"
if [ -z "$input" ] || [ -z "$scratch" ]; then
    echo "usage: get_local_video_properties.sh FILE SCRATCH_FILE [IMAGE_FILE]" >&2
    exit 2
fi
image="${3:-}"
frame_maker=""
if [ -n "$image" ]; then
    bash "${BASH_SOURCE[0]%/*}/ffmpeg_thumbnail.sh" "$input" "$image" >/dev/null 2>&1 &
    frame_maker=$!
fi

# "file:" keeps names that begin with "-" or hold a ":" from being read as options or protocols.
ffprobe -v error -sexagesimal \
    -show_entries 'format=format_name,duration:format_tags=major_brand:stream=codec_type,codec_name,width,height,avg_frame_rate,r_frame_rate,sample_rate,channels,channel_layout,duration:stream_disposition=attached_pic' \
    -of default=noprint_wrappers=0 "file:$input" >"$scratch" 2>/dev/null
if [ -n "$frame_maker" ]; then
    wait "$frame_maker"
fi

declare -A stream=() video=() audio=() format=()
have_video=0
have_audio=0

# The first real picture stream (cover art attached to a song is not one) and the first sound stream.
keep_stream() {
    local key
    if [ "${stream[codec_type]:-}" = "video" ] && [ "${stream[DISPOSITION:attached_pic]:-0}" != "1" ] &&
        [ "$have_video" = 0 ]; then
        for key in "${!stream[@]}"; do video[$key]="${stream[$key]}"; done
        have_video=1
    elif [ "${stream[codec_type]:-}" = "audio" ] && [ "$have_audio" = 0 ]; then
        for key in "${!stream[@]}"; do audio[$key]="${stream[$key]}"; done
        have_audio=1
    fi
}

section=""
while IFS= read -r line; do
    case "$line" in
    "[STREAM]")
        section=stream
        stream=()
        ;;
    "[/STREAM]")
        keep_stream
        section=""
        ;;
    "[FORMAT]") section=format ;;
    "[/FORMAT]") section="" ;;
    *=*)
        key="${line%%=*}"
        value="${line#*=}"
        if [ "$section" = stream ]; then
            stream[$key]="$value"
        elif [ "$section" = format ]; then
            format[$key]="$value"
        fi
        ;;
    esac
done <"$scratch"

# "30000/1001" -> 30; "0/0" and anything else unreadable -> nothing.
whole_rate() {
    local rate="$1" numerator denominator
    numerator="${rate%%/*}"
    denominator=1
    if [[ "$rate" == */* ]]; then
        denominator="${rate#*/}"
    fi
    if [[ "$numerator" =~ ^[0-9]+$ ]] && [[ "$denominator" =~ ^[0-9]+$ ]] && [ "$denominator" -gt 0 ] &&
        [ "$numerator" -gt 0 ]; then
        echo $(((numerator + denominator / 2) / denominator))
    fi
}

frame_rate() {
    local rate
    rate="$(whole_rate "${video[avg_frame_rate]:-}")"
    if [ -z "$rate" ]; then
        rate="$(whole_rate "${video[r_frame_rate]:-}")"
    fi
    echo "${rate:-0}"
}

is_time() { [[ "$1" =~ ^[0-9]+:[0-9]+:[0-9]+(\.[0-9]+)?$ ]]; }

duration() {
    local candidate
    for candidate in "${format[duration]:-}" "${video[duration]:-}" "${audio[duration]:-}"; do
        if is_time "$candidate"; then
            echo "$candidate"
            return
        fi
    done
    echo "0:00:00.000000"
}

channel_layout() {
    local layout="${audio[channel_layout]:-}" channels="${audio[channels]:-0}"
    if [ -n "$layout" ] && [ "$layout" != "unknown" ]; then
        echo "$layout"
    elif [ "$channels" = 1 ]; then
        echo "mono"
    elif [ "$channels" = 2 ]; then
        echo "stereo"
    else
        echo "$channels channels"
    fi
}

# All codecs of the file are ones a WebM file may hold.
webm_codecs() {
    local codec
    for codec in ${video[codec_name]:-} ${audio[codec_name]:-}; do
        case "$codec" in
        vp8 | vp9 | av1 | vorbis | opus) ;;
        *) return 1 ;;
        esac
    done
}

container() {
    local names="${format[format_name]:-}" extension="" name
    local base="${input##*/}"
    if [[ "$base" == *.* ]]; then
        extension="${base##*.}"
        extension="${extension,,}"
    fi
    case "$names" in
    tty)
        echo "tty"
        ;;
    mov,mp4,*)
        case "$extension" in
        mp4 | m4v | mov | 3gp | 3g2) echo "$extension" ;;
        m4a) if [ "$have_video" = 1 ]; then echo "mp4"; else echo "m4a"; fi ;;
        *)
            if [ "${format[TAG:major_brand]:-}" = "qt  " ]; then
                echo "mov"
            elif [ "$have_video" = 0 ]; then
                echo "m4a"
            else
                echo "mp4"
            fi
            ;;
        esac
        ;;
    matroska,webm)
        if webm_codecs; then
            echo "webm"
        elif [ "$extension" = "mka" ] && [ "$have_video" = 0 ]; then
            echo "mka"
        else
            echo "mkv"
        fi
        ;;
    mpegts) echo "ts" ;;
    mpeg) echo "mpg" ;;
    asf) if [ "$have_video" = 1 ]; then echo "wmv"; else echo "wma"; fi ;;
    *)
        # The file's own extension when it names the format, else the format's first name ("png_pipe"
        # becomes "png").
        IFS=, read -r -a list <<<"$names"
        for name in "${list[@]}"; do
            if [ -n "$extension" ] && [ "$name" = "$extension" ]; then
                echo "$extension"
                return
            fi
        done
        name="${list[0]:-}"
        echo "${name%_pipe}"
        ;;
    esac
}

if [ "$have_video" = 0 ] && [ "$have_audio" = 0 ]; then
    # Text that ffprobe did not take for a "tty" picture (too short, another extension) is still text: it is
    # reported the way ffprobe reports text it recognises, so that callers can tell it from broken media.
    if [ -s "$input" ] && LC_ALL=C grep -Iq . -- "$input" 2>/dev/null; then
        printf '%s\n' "0:00:00.000000" "tty" "Video" "640x400" "ansi" "25"
    fi
    exit 0
fi

printf '%s\n' "$(duration)" "$(container)"
if [ "$have_video" = 1 ]; then
    printf '%s\n' "Video" "${video[width]:-0}x${video[height]:-0}" "${video[codec_name]:-unknown}" "$(frame_rate)"
fi
if [ "$have_audio" = 1 ]; then
    printf '%s\n' "Audio" "${audio[codec_name]:-unknown}" "${audio[sample_rate]:-0}" "$(channel_layout)"
fi
