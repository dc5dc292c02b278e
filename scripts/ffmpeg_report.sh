# Sourced by the conversion scripts (not run on its own): runs ffmpeg so that the application can follow
# it, and makes sure that a failed run leaves no output file behind.
#
# ffmpeg writes its report on standard error and rewrites its progress line in place with carriage
# returns. The application reads standard output line by line, so every report (the "  Duration" line of
# each input, each "frame=... time=... bitrate=..." update) is printed there on a line of its own, as soon
# as ffmpeg writes it.

# Prints standard input with carriage returns turned into line ends, without waiting for more input than
# one report.
ffmpeg_report_lines() {
    local report
    while IFS= read -r -d $'\r' report || [ -n "$report" ]; do
        report="${report%$'\n'}"
        if [ -n "$report" ]; then
            printf '%s\n' "$report"
        fi
    done
}

# Removes the output unless it is one of the inputs (ffmpeg refuses to overwrite its input, and that file
# must survive) or not a regular file (pass 1 writes to /dev/null).
ffmpeg_remove_failed_output() {
    local output="$1" input
    shift
    [ -f "$output" ] || return 0
    for input in "$@"; do
        if [ "$output" -ef "$input" ]; then
            return 0
        fi
    done
    rm -f -- "$output"
}

# ffmpeg_run_with_report OUTPUT INPUT... -- FFMPEG_ARGUMENTS...
# Runs ffmpeg with the arguments and prints its report. When ffmpeg fails, or the script is asked to stop
# (the whole process group gets the signal, so ffmpeg stops too), the output file is removed: whoever reads
# the report judges success by the output file's existence, and a partial file must not pass for a result.
ffmpeg_run_with_report() {
    local output="$1" inputs=() status stopped=0
    shift
    while [ "$#" -gt 0 ] && [ "$1" != "--" ]; do
        inputs+=("$1")
        shift
    done
    shift
    trap 'stopped=1' TERM INT HUP
    ffmpeg -nostdin -hide_banner -y "$@" 2>&1 </dev/null | ffmpeg_report_lines
    status="${PIPESTATUS[0]}"
    if [ "$status" -ne 0 ] || [ "$stopped" -ne 0 ]; then
        ffmpeg_remove_failed_output "$output" "${inputs[@]}"
        # Killed from outside, ffmpeg leaves its last report line, which is no reason: the signal is. A stop
        # that was asked for is no failure to explain.
        if [ "$stopped" -eq 0 ] && [ "$status" -gt 128 ] && [ "$status" -le 192 ]; then
            printf 'ERROR: ffmpeg was stopped by signal %d\n' "$((status - 128))"
        fi
        return 1
    fi
    return 0
}
