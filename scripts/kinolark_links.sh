#!/bin/bash
# Sourced by the scraping scripts: runs the link extractor that ships with the program. Resources live in
# <prefix>/share/kinolarkpro and tools in <prefix>/bin, in the build tree as in an installed tree; an
# extractor found on PATH serves when the program's own is missing.
kinolark_links() {
    local here tool
    here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
    tool="$here/../../bin/kinolark-links"
    if [ -x "$tool" ]; then
        "$tool" "$@"
    else
        kinolark-links "$@"
    fi
}
