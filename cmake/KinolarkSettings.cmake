# One INTERFACE target carries the compile settings every target of the project shares.
add_library(kinolark_settings INTERFACE)
target_compile_features(kinolark_settings INTERFACE cxx_std_20)
target_compile_options(kinolark_settings INTERFACE -Wall -Wextra -Wpedantic -Werror)
target_compile_definitions(kinolark_settings INTERFACE
    QT_NO_CAST_FROM_ASCII
    QT_NO_CAST_TO_ASCII
    QT_NO_CAST_FROM_BYTEARRAY
    QT_NO_URL_CAST_FROM_STRING
    QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
    QT_NO_FOREACH
    QT_NO_KEYWORDS
    QT_USE_QSTRINGBUILDER)

set(CMAKE_CXX_EXTENSIONS OFF)

# gold links the many test programs in less than half the time of the default linker; it comes with binutils.
include(CheckLinkerFlag)
check_linker_flag(CXX -fuse-ld=gold KINOLARK_LINKS_WITH_GOLD)
if(KINOLARK_LINKS_WITH_GOLD AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_link_options(kinolark_settings INTERFACE -fuse-ld=gold)
endif()

set(KINOLARK_SANITIZE "" CACHE STRING "Sanitizers to build with: empty, 'address,undefined' or 'thread'")
if(KINOLARK_SANITIZE)
    target_compile_options(kinolark_settings INTERFACE -fsanitize=${KINOLARK_SANITIZE} -fno-omit-frame-pointer
        -fno-sanitize-recover=all)
    target_link_options(kinolark_settings INTERFACE -fsanitize=${KINOLARK_SANITIZE})
endif()
