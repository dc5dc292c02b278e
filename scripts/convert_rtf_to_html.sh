#!/bin/bash
# Prints the HTML form of an RTF text (unrtf --html).
#
# unrtf only turns a hyperlink field into a link when its instruction is written {HYPERLINK ...} right
# after \fldinst, and then writes a quoted target with its quotes doubled (href=""http://..."") so that no
# HTML parser finds it. Word processors write the instruction in several ways ({\*\fldinst HYPERLINK
# "url" }, {\*\fldinst {\rtlch\fcs1 HYPERLINK "url"}}, ...), so every such instruction is first rewritten
# into the one form unrtf renders correctly: {\*\fldinst{HYPERLINK url}}.
#
# Arguments: the RTF text itself.
set -u

if [ "$#" -lt 1 ]; then
    echo "usage: convert_rtf_to_html.sh RTF_TEXT" >&2
    exit 2
fi

rtf="$(mktemp "${TMPDIR:-/tmp}/kinolark-rtf-XXXXXX")" || exit 1
trap 'rm -f "$rtf"' EXIT
trap 'exit 143' TERM
trap 'exit 130' INT

# {\*\fldinst, then control words and blanks, then HYPERLINK and its target (quoted or not; a target that
# starts with a backslash is a switch such as \l, not an address), then the rest of the instruction.
open='\{\\\*\\fldinst'
controls='((\\[a-zA-Z]+-?[0-9]* ?)|[[:space:]])*'
target='"?([^"{}[:space:]\\][^"{}[:space:]]*)"?[^{}]*'
rewritten='{\\*\\fldinst{HYPERLINK \3}}'
printf '%s' "$1" | sed -E -z \
    -e 's/'"$open"'[[:space:]]*\{'"$controls"'HYPERLINK[[:space:]]+'"$target"'\}[[:space:]]*\}/'"$rewritten"'/g' \
    -e 's/'"$open$controls"'HYPERLINK[[:space:]]+'"$target"'\}/'"$rewritten"'/g' \
    >"$rtf"

unrtf --html "$rtf" 2>/dev/null | sed -E 's/href=""([^"]*)""/href="\1"/g'
