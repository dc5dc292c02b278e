#pragma once

#include <QByteArray>
#include <QSettings>
#include <QString>
#include <QStringList>

#include <optional>

// The settings file's INI text, read and written by the program itself for QSettings.
//
// It is the text Qt's own INI format writes for strings, so files written either way read the same in both.
// What it does not do is decode Qt's serialised values ("@Variant(...)", "@ByteArray(...)"): those are
// QDataStream data, whose declared sizes a damaged or planted file could set to gigabytes. Every stored
// setting is text, so such a value is simply not read.
class KLSettingsFileFormat final {
public:
    // The format to open a QSettings with; registered once, on first use.
    static QSettings::Format format();

private:
    static bool readFile(QIODevice &device, QSettings::SettingsMap &map);
    static bool writeFile(QIODevice &device, const QSettings::SettingsMap &map);

    // The file's lines, a line ending in an unpaired backslash joined with the next one.
    static QStringList logicalLines(const QString &text);
    static QString unescapedKey(const QString &text);
    static QByteArray escapedKey(const QString &key);
    // What a value's text holds: a string, a list for unquoted commas, none for a serialised value.
    static std::optional<QVariant> parsedValue(const QString &text);
    // The strings a value's text holds, each unquoted and unescaped.
    static QStringList unescapedStrings(const QString &text);
    // A value as it is written after "="; none for a type other than text, a number or a list of texts.
    static std::optional<QByteArray> valueText(const QVariant &value);
    // A text marked as Qt marks it before escaping, where it could read as a serialised value.
    static QString markedString(const QString &string);
    static QByteArray escapedString(const QString &text);
};
