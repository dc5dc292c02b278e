#include "Model/Preferences/KLSettingsFileFormat.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QString s(const char *text) {
    return QString::fromUtf8(text);
}

class SettingsFileFormat : public ::testing::Test {
protected:
    // A new file each time: QSettings caches what it read by path.
    QString newFile(const QByteArray &contents = QByteArray()) {
        const QString path = m_folder.filePath(QString::number(++m_files) + s(".conf"));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size());
        return path;
    }
    static QByteArray contentsOf(const QString &path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    QVariant readBack(const QString &path, QSettings::Format format, const QString &key) {
        return QSettings(path, format).value(key);
    }

    QTemporaryDir m_folder;
    int m_files = 0;
};

} // namespace

// Files written before by Qt's INI format and files written now must read the same either way.
TEST_F(SettingsFileFormat, TextsRoundTripWithQtsOwnIniFormatBothWays) {
    const QStringList texts = {s(""),
                               s("plain"),
                               s("/home/user/Videos"),
                               s(" padded "),
                               s("a, b; c"),
                               s("key=value"),
                               s("@Variant(x)"),
                               s("@@"),
                               s("\"q\"\\"),
                               s("tab\tnew\nline"),
                               QChar(1) + s("a\x7f"),
                               QChar(0) + s("7"),
                               s("Zürich 東京 🎬"),
                               s("%41")};
    const QStringList keys = {s("downloadLocation"), s("group/sub/key"), s("with space"), s("General/x"),
                              s("ä")};
    for (const QString &key : keys) {
        for (const QString &text : texts) {
            SCOPED_TRACE(QString(key + s(" = ") + text).toStdString());
            const QString ours = newFile();
            QSettings(ours, KLSettingsFileFormat::format()).setValue(key, text);
            EXPECT_EQ(readBack(ours, QSettings::IniFormat, key), QVariant(text));
            const QString qts = newFile();
            QSettings(qts, QSettings::IniFormat).setValue(key, text);
            EXPECT_EQ(readBack(qts, KLSettingsFileFormat::format(), key), QVariant(text));
            EXPECT_EQ(contentsOf(ours), contentsOf(qts));
        }
    }
}

// Hand edits read as Qt reads them; serialised values are not decoded at all.
TEST_F(SettingsFileFormat, HandWrittenAndPlantedLinesReadAsTextOrNotAtAll) {
    const struct {
        QByteArray line;
        QVariant value; // invalid: the key is not read
    } cases[] = {
        {"k = spaced out  ; a comment", s("spaced out")},
        {"k=\"quoted, with comma\"", s("quoted, with comma")},
        {"k=a, b", QStringList{s("a"), s("b")}},
        {"k=\\x41\\102\\u", s("ABu")},
        {"k=\\x110000000000", QString(QChar(QChar::ReplacementCharacter))},
        {"k=first\\\nsecond", s("firstsecond")},
        {"k=@@at", s("@at")},
        {"k=@Invalid()", QVariant()},
        {QByteArray("k=@Variant(\0\0\0\\xb)22)", 21), QVariant()},
        {"k=\\x40Variant(\\0\\0\\0\\xb)22)", QVariant()},
        {"k=@ByteArray(abc)", QVariant()},
        {"[%General]\nk=in a group", QVariant()},
        {"no equals sign", QVariant()},
        {"=no key", QVariant()},
    };
    for (const auto &testCase : cases) {
        SCOPED_TRACE(testCase.line.toStdString());
        EXPECT_EQ(readBack(newFile(testCase.line + '\n'), KLSettingsFileFormat::format(), s("k")),
                  testCase.value);
    }
    EXPECT_EQ(readBack(newFile("[%General]\nk=x\n"), KLSettingsFileFormat::format(), s("General/k")),
              QVariant(s("x")));
}
