# Run by `cmake --install`: writes the browsers' host manifests, naming the host where it is installed now,
# and the D-Bus service file that starts the application when the host hands it a page.
#   KINOLARK_MANIFEST_TEMPLATES  folder of chromium.json and firefox.json with the path placeholder
#   KINOLARK_MANIFEST_DIRS       list of <family>=<folder>
#   KINOLARK_INSTALL_BINDIR, KINOLARK_INSTALL_DATADIR, KINOLARK_NATIVE_HOST_NAME, KINOLARK_SERVICE_TEMPLATE

function(kinolark_installed_path variable relative)
    if(IS_ABSOLUTE "${relative}")
        set(${variable} "${relative}" PARENT_SCOPE)
    else()
        set(${variable} "${CMAKE_INSTALL_PREFIX}/${relative}" PARENT_SCOPE)
    endif()
endfunction()

kinolark_installed_path(bindir "${KINOLARK_INSTALL_BINDIR}")
kinolark_installed_path(datadir "${KINOLARK_INSTALL_DATADIR}")

foreach(place IN LISTS KINOLARK_MANIFEST_DIRS)
    string(REPLACE "=" ";" place "${place}")
    list(GET place 0 family)
    list(GET place 1 folder)
    set(KINOLARK_NATIVE_HOST_PATH "${bindir}/kinolark-extension-host")
    set(manifest "$ENV{DESTDIR}${folder}/${KINOLARK_NATIVE_HOST_NAME}.json")
    message(STATUS "Installing: ${manifest}")
    configure_file("${KINOLARK_MANIFEST_TEMPLATES}/${family}.json" "${manifest}" @ONLY)
endforeach()

set(KINOLARK_APPLICATION_PATH "${bindir}/kinolarkpro")
set(service "$ENV{DESTDIR}${datadir}/dbus-1/services/org.kinolark.KinolarkPro.service")
message(STATUS "Installing: ${service}")
configure_file("${KINOLARK_SERVICE_TEMPLATE}" "${service}" @ONLY)
