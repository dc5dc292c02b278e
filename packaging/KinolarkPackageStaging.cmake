# Run by cpack on the staged tree before it is packed. Debian reserves /etc/opt for packages installed in
# /opt, so Google Chrome's system manifest folder stays out of the package; Chrome's users register the
# host for themselves with `kinolark-extension-host --user`.
file(REMOVE_RECURSE "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/etc/opt")
