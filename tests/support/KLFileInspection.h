#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <sys/types.h>

// Looks at files the way the tests of the stored files need: bytes as they are, the entry itself rather
// than what a link points at.
class KLFileInspection final {
public:
    // The file's bytes (through a link); an empty array when it cannot be read.
    static QByteArray readBytes(const QString &path);
    // Writes the bytes, replacing the file's contents.
    static void writeBytes(const QString &path, const QByteArray &contents);
    // The permission bits of the entry itself; -1 when there is none.
    static int permissionsOf(const QString &path);
    static bool isSymbolicLink(const QString &path);
    static bool isRegularFile(const QString &path);
    // Names in the file's folder that start like a temporary file written beside it (".name.").
    static QStringList temporariesBeside(const QString &path);
    // Removes whatever entry is at the path (file, link, FIFO or folder with its contents).
    static void removeEntry(const QString &path);
    // The command lines (/proc/*/cmdline) of the machine's processes that hold one of the texts, their
    // words joined by spaces; `downloads` grows by the number of downloads among all the command lines.
    static QStringList commandLinesHolding(const QList<QByteArray> &texts, int &downloads);
    // The files of that name in the folder and below it.
    static QStringList filesNamed(const QString &folder, const QString &name);
    // Bytes that are not UTF-8 (every value 0-255 in random order, line feeds included), of the given size,
    // the same for the same seed.
    static QByteArray binaryJunk(qsizetype size, quint32 seed);
};
