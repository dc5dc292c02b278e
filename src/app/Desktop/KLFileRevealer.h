#pragma once

#include <QString>

// Shows a file in the desktop's file manager, selected (org.freedesktop.FileManager1); where no file
// manager answers that, the file's folder opens instead.
class KLFileRevealer final {
public:
    static void reveal(const QString &file);
};
