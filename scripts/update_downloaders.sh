#!/bin/bash
# Keeps the working copy of the downloader current, and reports what it found and did, one line at a time.
#
# The working copy is the "ytdl" launcher in the application data folder. It runs the program's private
# copy of yt-dlp when there is one that runs, else the system's yt-dlp. The private copy is a Python virtual
# environment beside the launcher ("yt-dlp-venv") holding yt-dlp from the Python package index, which
# follows the sites far more closely than the system's package does.
#
# The launcher is refreshed from the copy shipped beside this script. The private copy, when there is one,
# is rebuilt from the package index when a newer release is out. Neither is ever replaced by a copy that
# does not run or reports an older version, and each switch is a single rename, so the working copy is at
# every moment either the old one or the new one, whole.
#
# The private copy is a link to one generation: a virtual environment in "yt-dlp-venv.d" that never moves
# (its programs name their interpreter by absolute path). An update builds a new generation, checks it,
# renames a new link over the old one and removes the generations no program runs from any more.
#
# pip comes from the system (python3-pip) and installs into the environment through "--python", so making
# an environment needs no network and no bundled wheels. It reaches the package index only (the one named
# by KINOLARK_PACKAGE_INDEX, else the public one), through the update proxy when one is set, and no pip
# setting of the user or the system steers it.
#
# Arguments: working copy path; update proxy URL; the path of a file, readable only by the user, that holds
# the update proxy's credentials as "user:password", each part percent-encoded (empty when there are none);
# and "install" to make the private copy when there is none that runs, leaving the launcher alone. The
# credentials reach pip through its environment, never on a command line, and are never printed.
set -u

target="${1:-}"
if [ -z "$target" ]; then
    echo "No downloader path given"
    exit 2
fi
update_proxy="${2:-}"
credentials_file="${3:-}"
mode="${4:-update}"

# The update is maintenance that nobody waits for: it and all it starts run at the lowest CPU priority, so
# that on a busy machine it never slows the downloads and conversions running beside it. An installation
# is asked for by the user, who waits for its outcome, and keeps the usual priority.
if [ "$mode" = update ]; then
    renice -n 19 -p "$$" >/dev/null 2>&1 || true
fi

shipped="$(dirname -- "${BASH_SOURCE[0]}")/ytdl"
folder="$(dirname -- "$target")"
environment="$folder/yt-dlp-venv"
generations="$folder/yt-dlp-venv.d"
index="${KINOLARK_PACKAGE_INDEX:-https://pypi.org/simple}"
candidate=""
new_generation=""
new_link=""

cleanup() {
    local leftover
    for leftover in "$candidate" "$new_link" "$new_generation"; do
        if [ -n "$leftover" ]; then
            rm -rf -- "$leftover"
        fi
    done
}
trap cleanup EXIT
trap 'exit 143' TERM INT HUP

# The first line that "--version" prints, or nothing when the program does not run or fails. The check stays
# in this script's process group, so that stopping the script stops the program being checked as well.
version_of() {
    local output
    output="$(timeout --foreground 120 "$1" --version </dev/null 2>/dev/null)" || return 1
    output="${output%%$'\n'*}"
    [ -n "$output" ] || return 1
    printf '%s' "$output"
}

# True when version $1 is older than version $2.
older_than() {
    [ "$1" != "$2" ] && [ "$(printf '%s\n%s\n' "$1" "$2" | sort -V | head -n 1)" = "$1" ]
}

# Removes what a refresh or an update that was killed (it had no chance to clean up) left in the folder: a
# launcher candidate or a new link not yet renamed into place. Each is named after the process that made it;
# those of a process that still runs are its own business.
remove_leftovers() {
    local leftover
    for leftover in "$folder"/.ytdl-update.* "$folder"/.yt-dlp-venv-update.*; do
        if { [ -e "$leftover" ] || [ -L "$leftover" ]; } && ! kill -0 "${leftover##*.}" 2>/dev/null; then
            rm -f -- "$leftover"
        fi
    done
}

# ---- The launcher ----

refresh_launcher() {
    echo "Downloader: $target"
    local current_version
    current_version="$(version_of "$target")"
    if [ -n "$current_version" ]; then
        echo "Installed version: $current_version"
    elif [ -e "$target" ]; then
        echo "Installed copy does not run"
    else
        echo "No installed copy"
    fi

    if [ ! -f "$shipped" ]; then
        echo "No shipped copy at $shipped"
        echo "Downloader not updated"
        return 1
    fi

    if [ -n "$current_version" ] && cmp -s -- "$shipped" "$target"; then
        echo "Downloader is up to date"
        return 0
    fi

    # The candidate is made in the working copy's own folder so that installing it is a single rename.
    mkdir -p -- "$folder" || { echo "Downloader not updated: cannot create $folder"; return 1; }
    # Its name is known before the file exists, so that a stop at any moment leaves nothing behind; the
    # process number keeps it apart from the candidates of other refreshes running now.
    candidate="$folder/.ytdl-update.$$"
    rm -f -- "$candidate"
    if ! cp -- "$shipped" "$candidate" || ! chmod 755 -- "$candidate"; then
        echo "Downloader not updated: cannot write into $folder"
        return 1
    fi

    local candidate_version
    candidate_version="$(version_of "$candidate")"
    if [ -z "$candidate_version" ]; then
        echo "Shipped copy does not run"
        echo "Downloader not updated"
        return 1
    fi
    echo "Shipped version: $candidate_version"

    if [ -n "$current_version" ] && older_than "$candidate_version" "$current_version"; then
        echo "Installed copy is newer than the shipped copy: kept"
        return 0
    fi

    if ! mv -f -T -- "$candidate" "$target"; then
        echo "Downloader not updated: cannot replace $target"
        return 1
    fi
    candidate=""
    echo "Downloader updated to version $candidate_version"
}

# ---- pip ----

# What pip is told of the update proxy, with the credentials. The setting names the proxy that the package
# index's HTTPS traffic goes through, which is tunnelled with CONNECT over plain HTTP; pip would take an
# "https" scheme as a proxy to be reached over TLS, so the address is handed on as "http".
pip_proxy=""
# The forms in which the proxy's password could show in pip's messages.
secrets=()
if [ -n "$update_proxy" ]; then
    credentials=""
    if [ -n "$credentials_file" ]; then
        IFS= read -r credentials 2>/dev/null <"$credentials_file"
    fi
    pip_proxy="http://${credentials:+$credentials@}${update_proxy#*://}"
    if [[ "$credentials" == *:* ]]; then
        secrets=("${credentials#*:}")
        secrets+=("$(printf '%b' "${secrets[0]//%/\\x}")")
    fi
fi

# pip's settings are the ones given here only.
for name in $(compgen -e); do
    if [[ "$name" == PIP_* ]]; then
        unset "$name"
    fi
done
export PIP_CONFIG_FILE=/dev/null

# The interpreter the private copy is made for, by its versioned name: an environment links to it, so that
# a later system upgrade that removes it leaves a link the launcher sees is dead, rather than a newer
# interpreter that lacks the environment's modules.
python="$(readlink -f /usr/bin/python3 2>/dev/null)"

# The text with the update proxy's password blanked out.
redact() {
    local text="$1" secret
    for secret in "${secrets[@]}"; do
        if [ -n "$secret" ]; then
            text="${text//"$secret"/***}"
        fi
    done
    printf '%s' "$text"
}

# Runs pip for the environment $1 with the remaining arguments; its messages are kept in pip_output.
pip_output=""
run_pip() {
    local for_environment="$1"
    shift
    pip_output="$(
        unset PYTHONPATH PYTHONHOME
        if [ -n "$pip_proxy" ]; then
            export PIP_PROXY="$pip_proxy"
        fi
        exec "$python" -m pip --python "$for_environment/bin/python3" "$@" --index-url "$index" \
            --no-cache-dir --only-binary :all: --disable-pip-version-check --no-input --progress-bar off 2>&1
    )"
}

# Says why pip failed, in its own words.
report_pip_errors() {
    local line
    while IFS= read -r line; do
        if [[ "$line" == ERROR:* ]]; then
            redact "$line"
            echo
        fi
    done <<<"$pip_output"
}

# ---- The private copy ----

# True while a program runs from the generation named $1: its interpreter is named by the generation's path.
in_use() {
    local cmdline argument
    for cmdline in /proc/[0-9]*/cmdline; do
        while IFS= read -r -d '' argument; do
            if [[ "$argument" == *"/${generations##*/}/$1/"* ]]; then
                return 0
            fi
        done 2>/dev/null <"$cmdline"
    done
    return 1
}

# Removes every generation but the current one, except those a program still runs from: an update while a
# download runs must not take the files from under it. Those go at a later update.
remove_old_generations() {
    local current generation name
    current="$(readlink -- "$environment" 2>/dev/null)"
    for generation in "$generations"/*; do
        name="${generation##*/}"
        if [ ! -d "$generation" ] || [ "$name" = "${current##*/}" ]; then
            continue
        fi
        if in_use "$name"; then
            echo "A previous private copy is still in use: it is removed at a later update"
        else
            rm -rf -- "$generation"
        fi
    done
}

# One update or installation at a time, for every process of the user: they build and switch generations.
lock_generations() {
    mkdir -p -- "$generations" && exec 9>>"$generations/.lock" && flock 9
}

# Builds a new generation with the newest yt-dlp and sets new_version to what it reports; says why and
# fails when it cannot be built or does not run.
new_version=""
make_generation() {
    if [ ! -x "$python" ]; then
        echo "Python 3 is not installed"
        return 1
    fi
    new_generation="$generations/$(date +%Y%m%d%H%M%S)-$$"
    if ! "$python" -m venv --without-pip "$new_generation" >/dev/null 2>&1; then
        echo "Cannot create a Python environment in $generations"
        return 1
    fi
    if ! run_pip "$new_generation" install --upgrade yt-dlp; then
        echo "yt-dlp could not be installed from the package index"
        report_pip_errors
        return 1
    fi
    new_version="$(version_of "$new_generation/bin/yt-dlp")"
    if [ -z "$new_version" ]; then
        echo "The new private copy does not run"
        return 1
    fi
}

# Makes the new generation the private copy with one rename of a link over the old one.
switch_to_new_generation() {
    new_link="$folder/.yt-dlp-venv-update.$$"
    rm -f -- "$new_link"
    ln -s -- "${generations##*/}/${new_generation##*/}" "$new_link" &&
        mv -f -T -- "$new_link" "$environment" || return 1
    new_link=""
    new_generation=""
}

# The release of yt-dlp installed in the environment $1, as its package metadata names it.
installed_release() {
    "$1/bin/python3" -I -c 'from importlib.metadata import version; print(version("yt-dlp"))' 2>/dev/null
}

# A release number without leading zeros in its parts ("2024.01.05" and "2024.1.5" are one release).
plain_release() {
    sed -E 's/(^|\.)0+([0-9])/\1\2/g' <<<"$1"
}

# Whether the package index offers a newer yt-dlp than the working generation $1 holds (0), none (1), or
# could not be asked (2), as it says. The environment is only rebuilt when there is one, so a launch without
# news costs one question to the index. The question ignores what is installed: pip would otherwise take an
# index that cannot be reached, or that lists nothing, for one without news.
newer_release_out() {
    local offered=""
    if run_pip "$1" install --dry-run --ignore-installed --no-deps yt-dlp &&
        [[ "$pip_output" =~ Would\ install\ [^[:space:]]+-([0-9][^[:space:]]*) ]]; then
        offered="$(plain_release "${BASH_REMATCH[1]}")"
    fi
    if [ -z "$offered" ]; then
        echo "The package index could not be asked for a newer release"
        report_pip_errors
        return 2
    fi
    local installed
    installed="$(plain_release "$(installed_release "$1")")"
    if [ -n "$installed" ] && ! older_than "$installed" "$offered"; then
        echo "Private copy is up to date"
        return 1
    fi
    echo "A newer release is out: $offered"
}

update_private_copy() {
    if [ ! -e "$environment" ] && [ ! -L "$environment" ]; then
        echo "No private copy: the system's yt-dlp serves"
        # A first installation that was killed leaves a generation that never became the private copy.
        if [ -d "$generations" ] && lock_generations; then
            remove_old_generations
        fi
        return 0
    fi
    echo "Private copy: $environment"
    lock_generations || { echo "Private copy not updated: cannot lock $generations"; return 1; }
    remove_old_generations
    local working working_version
    working="$(readlink -f -- "$environment")"
    working_version="$(version_of "$working/bin/yt-dlp")"
    if [ -n "$working_version" ]; then
        echo "Private copy version: $working_version"
        newer_release_out "$working"
        case $? in
        1) return 0 ;;
        2) echo "Private copy not updated"; return 1 ;;
        esac
    else
        echo "Private copy does not run"
    fi
    if ! make_generation; then
        echo "Private copy not updated"
        return 1
    fi
    if [ -n "$working_version" ] && older_than "$new_version" "$working_version"; then
        echo "The new private copy reports version $new_version, older than the working one: kept out"
        echo "Private copy not updated"
        return 1
    fi
    if ! switch_to_new_generation; then
        echo "Private copy not updated: cannot replace $environment"
        return 1
    fi
    echo "Private copy updated to version $new_version"
    remove_old_generations
}

install_private_copy() {
    echo "Private copy: $environment"
    lock_generations || { echo "Private copy not installed: cannot lock $generations"; return 1; }
    local working_version
    working_version="$(version_of "$environment/bin/yt-dlp")"
    if [ -n "$working_version" ]; then
        echo "Private copy already installed: version $working_version"
        return 0
    fi
    if ! make_generation || ! switch_to_new_generation; then
        echo "Private copy not installed"
        return 1
    fi
    echo "Private copy installed: version $new_version"
    remove_old_generations
}

remove_leftovers
if [ "$mode" = install ]; then
    install_private_copy
    exit
fi
status=0
refresh_launcher || status=1
update_private_copy || status=1
exit "$status"
