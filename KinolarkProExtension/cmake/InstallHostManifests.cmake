# Run by `cmake --install`: writes the browsers' host manifests, naming the host where it is installed now.
#   KINOLARK_MANIFEST_TEMPLATES  folder of chromium.json and firefox.json with the path placeholder
#   KINOLARK_MANIFEST_DIRS       list of <family>=<folder>
#   KINOLARK_INSTALL_BINDIR, KINOLARK_NATIVE_HOST_NAME

function(kinolark_installed_path variable relative)
    if(IS_ABSOLUTE "${relative}")
        set(${variable} "${relative}" PARENT_SCOPE)
    else()
        set(${variable} "${CMAKE_INSTALL_PREFIX}/${relative}" PARENT_SCOPE)
    endif()
endfunction()

kinolark_installed_path(bindir "${KINOLARK_INSTALL_BINDIR}")

foreach(place IN LISTS KINOLARK_MANIFEST_DIRS)
    string(REPLACE "=" ";" place "${place}")
    list(GET place 0 family)
    list(GET place 1 folder)
    set(KINOLARK_NATIVE_HOST_PATH "${bindir}/kinolark-extension-host")
    set(manifest "$ENV{DESTDIR}${folder}/${KINOLARK_NATIVE_HOST_NAME}.json")
    message(STATUS "Installing: ${manifest}")
    configure_file("${KINOLARK_MANIFEST_TEMPLATES}/${family}.json" "${manifest}" @ONLY)
endforeach()
