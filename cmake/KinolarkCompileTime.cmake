# What a build from scratch spends its time on: the Qt and standard headers every source parses, and the
# code their templates make, again in every source.
#
# Precompiled headers: the Qt and standard headers nearly every source includes are parsed once per library
# instead of once per source. A target of few sources borrows a library's (REUSE_FROM) rather than building
# its own, which would cost as much as it saves.
set(KINOLARK_PCH_CORE
    <QByteArray> <QDir> <QFile> <QFileInfo> <QHash> <QJsonArray> <QJsonDocument> <QJsonObject> <QList>
    <QObject> <QProcess> <QRegularExpression> <QString> <QStringList> <QTimer> <QUrl> <QVariant>
    <algorithm> <atomic> <chrono> <cstdint> <functional> <memory> <mutex> <optional> <utility> <vector>)
set(KINOLARK_PCH_WIDGETS
    <QCheckBox> <QComboBox> <QDialog> <QFormLayout> <QHBoxLayout> <QLabel> <QLineEdit> <QPainter>
    <QPushButton> <QVBoxLayout> <QWidget>)
set(KINOLARK_PCH_TESTS <QTemporaryDir> <gtest/gtest.h>)

# kinolark_precompile(<target> <header lists...>): the target's own precompiled header of the lists' headers.
function(kinolark_precompile target)
    set(headers)
    foreach(list IN LISTS ARGN)
        list(APPEND headers ${${list}})
    endforeach()
    target_precompile_headers(${target} PRIVATE ${headers})
endfunction()

# kinolark_borrow_precompiled(<target> <library>): the target uses the library's precompiled header. Only
# with GCC: clang refuses a precompiled header made with other macro definitions, where GCC parses afresh.
function(kinolark_borrow_precompiled target library)
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
        target_precompile_headers(${target} REUSE_FROM ${library})
    endif()
endfunction()

# Batches: the libraries' sources are compiled a few at a time as one unit, so that the headers are parsed
# and their templates' code is made once per batch (about two and a half times faster from scratch). A
# batch is small, so that a change to one source recompiles only a handful (some 13 s with the links). The sanitizer builds compile
# every source alone, which keeps each one complete by itself; file-local names must differ between the
# sources of one library.
option(KINOLARK_UNITY "Compile the libraries' sources in small batches" ON)
function(kinolark_compile_in_batches target)
    if(KINOLARK_UNITY)
        set_target_properties(${target} PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE 10)
    endif()
endfunction()
