# The Debian package: cpack -G DEB in the build folder installs the whole tree under /usr, whatever prefix
# the build was configured with, strips the programs and finds the libraries they need with dpkg-shlibdeps.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kinolarkpro)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "KinolarkPro")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "download videos from web pages and convert them")
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
# The install rules write some files to absolute places (the browsers' folders): they go through DESTDIR,
# with the prefix the package has.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "KinolarkPro developers <developers@kinolark.org>")
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://kinolark.org/")
# The summary above is the synopsis line; this is the text below it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "KinolarkPro turns web pages, links, files and folders into a queue of videos,
downloads them with yt-dlp and converts them with ffmpeg into the container,
codecs, size and rate you choose, directly or through device presets.

The package holds the desktop application (kinolarkpro), its command-line
twin (kinolark), the HTML link extractor the scraping scripts run, and the
native-messaging helper of the browser extension for Chromium and Firefox.")
# The libraries come from dpkg-shlibdeps; the tools the scripts run, and what the downloader's private
# Python environment is made with, are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "yt-dlp, ffmpeg, curl, unrtf, python3, python3-venv, python3-pip (>= 22.3)")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "sound-theme-freedesktop, xdg-utils")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# Files in /etc are the administrator's once installed: dpkg keeps their changes.
set(KINOLARK_CONFFILES)
if(KINOLARK_INSTALL_BROWSER_MANIFESTS)
    foreach(folder IN ITEMS ${KINOLARK_CHROMIUM_HOSTS_DIR} ${KINOLARK_CHROME_HOSTS_DIR} ${KINOLARK_FIREFOX_HOSTS_DIR})
        if(folder MATCHES "^/etc/" AND NOT folder MATCHES "^/etc/opt/")
            string(APPEND KINOLARK_CONFFILES "${folder}/${KINOLARK_NATIVE_HOST_NAME}.json\n")
        endif()
    endforeach()
endif()
if(KINOLARK_CONFFILES)
    file(WRITE ${KINOLARK_PACKAGING_DIR}/control/conffiles "${KINOLARK_CONFFILES}")
    set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${KINOLARK_PACKAGING_DIR}/control/conffiles)
endif()

set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_SOURCE_DIR}/KinolarkPackageStaging.cmake)

include(CPack)
