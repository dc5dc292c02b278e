#include "Model/Preferences/KLSettingsFileFormat.h"

#include <QIODevice>
#include <QMap>

#include <algorithm>
#include <optional>
#include <utility>

namespace {

const QString rootSection = QStringLiteral("General");

// The control characters written as a backslash and a letter, both ways.
constexpr std::pair<char, char> controlEscapes[] = {{'\a', 'a'}, {'\b', 'b'}, {'\f', 'f'}, {'\n', 'n'},
                                                    {'\r', 'r'}, {'\t', 't'}, {'\v', 'v'}};

// The letter of a backslash escape that stands for the character, or none.
std::optional<char> escapeLetter(QChar ch) {
    if (ch == QChar(u'\0')) {
        return '0';
    }
    if (ch == QLatin1Char('"') || ch == QLatin1Char('\\')) {
        return ch.toLatin1();
    }
    for (const auto &[control, letter] : controlEscapes) {
        if (ch == QLatin1Char(control)) {
            return letter;
        }
    }
    return std::nullopt;
}

// The value of a digit in the base, or -1.
int digitValue(QChar ch, int base) {
    const char16_t code = ch.toLower().unicode();
    const int value = code >= u'0' && code <= u'9'   ? code - u'0'
                      : code >= u'a' && code <= u'f' ? code - u'a' + 10
                                                     : -1;
    return value < base ? value : -1;
}

bool isHexDigit(QChar ch) {
    return digitValue(ch, 16) >= 0;
}

// Appends a character given by its code, as far as it is one: codes of a damaged file can be anything.
void appendCode(QString &out, char32_t code) {
    if (code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
        out += QChar(QChar::ReplacementCharacter);
    } else {
        out += QString::fromUcs4(&code, 1);
    }
}

// Reads the digits of a numeric escape from `at` on; returns where they end.
qsizetype readCode(const QString &text, qsizetype at, int base, char32_t &code) {
    code = 0;
    for (; at < text.size(); ++at) {
        const int digit = digitValue(text.at(at), base);
        if (digit < 0) {
            break;
        }
        // Past the last code point the value only has to stay out of range, not grow without bound.
        code =
            std::min<char32_t>(code * static_cast<char32_t>(base) + static_cast<char32_t>(digit), 0x110000);
    }
    return at;
}

// Unescapes the sequence after the backslash at `at - 1`; returns where the text goes on.
qsizetype readEscape(const QString &text, qsizetype at, QString &out) {
    if (at >= text.size()) {
        return at;
    }
    const QChar ch = text.at(at);
    for (const auto &[control, letter] : controlEscapes) {
        if (ch == QLatin1Char(letter)) {
            out += QLatin1Char(control);
            return at + 1;
        }
    }
    if (ch == QLatin1Char('x') || (ch >= QLatin1Char('0') && ch <= QLatin1Char('7'))) {
        char32_t code = 0;
        const qsizetype end =
            ch == QLatin1Char('x') ? readCode(text, at + 1, 16, code) : readCode(text, at, 8, code);
        appendCode(out, code);
        return end;
    }
    if (ch != QLatin1Char('\n')) { // a backslash before a line's end only joins the lines
        out += ch;
    }
    return at + 1;
}

} // namespace

QSettings::Format KLSettingsFileFormat::format() {
    static const QSettings::Format registered =
        QSettings::registerFormat(QStringLiteral("conf"), &readFile, &writeFile);
    return registered;
}

bool KLSettingsFileFormat::readFile(QIODevice &device, QSettings::SettingsMap &map) {
    QString section;
    for (const QString &line : logicalLines(QString::fromUtf8(device.readAll()))) {
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char(';')) ||
            trimmed.startsWith(QLatin1Char('#'))) {
            continue;
        }
        if (trimmed.startsWith(QLatin1Char('['))) {
            const QString name = unescapedKey(trimmed.mid(1).section(QLatin1Char(']'), 0, 0));
            section = name.compare(rootSection, Qt::CaseInsensitive) == 0 ? QString()
                      : name == QLatin1Char('%') + rootSection            ? rootSection
                                                                          : name;
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        const QString key = unescapedKey(line.left(equals).trimmed());
        if (equals < 0 || key.isEmpty()) {
            continue;
        }
        if (const auto value = parsedValue(line.mid(equals + 1))) {
            map.insert(section.isEmpty() ? key : section + QLatin1Char('/') + key, *value);
        }
    }
    return true;
}

bool KLSettingsFileFormat::writeFile(QIODevice &device, const QSettings::SettingsMap &map) {
    // Sections in the order of their names, the root one ("General") first, as Qt writes them.
    QMap<QString, QByteArray> sections;
    for (auto entry = map.cbegin(); entry != map.cend(); ++entry) {
        const auto value = valueText(entry.value());
        if (!value) {
            return false;
        }
        const qsizetype slash = entry.key().indexOf(QLatin1Char('/'));
        const QString section = slash < 0 ? QString() : entry.key().left(slash);
        sections[section] += escapedKey(entry.key().mid(slash + 1)) + '=' + *value + '\n';
    }
    QByteArray text;
    for (auto section = sections.cbegin(); section != sections.cend(); ++section) {
        // A group of that name is told apart from the root one by the escape character.
        const QByteArray name = section.key().isEmpty() ? rootSection.toLatin1()
                                : section.key().compare(rootSection, Qt::CaseInsensitive) == 0
                                    ? '%' + rootSection.toLatin1()
                                    : escapedKey(section.key());
        text += (text.isEmpty() ? QByteArray() : QByteArray("\n")) + '[' + name + "]\n" + section.value();
    }
    return device.write(text) == text.size();
}

QStringList KLSettingsFileFormat::logicalLines(const QString &text) {
    QStringList lines;
    QString pending;
    QString unified = text;
    unified.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    for (const QString &line : unified.split(QLatin1Char('\n'))) {
        pending += line;
        qsizetype backslashes = 0;
        while (backslashes < pending.size() &&
               pending.at(pending.size() - 1 - backslashes) == QLatin1Char('\\')) {
            ++backslashes;
        }
        if (backslashes % 2 == 1) {
            pending += QLatin1Char('\n'); // the value goes on in the next line
            continue;
        }
        lines += std::exchange(pending, QString());
    }
    if (!pending.isEmpty()) {
        lines += pending;
    }
    return lines;
}

QString KLSettingsFileFormat::unescapedKey(const QString &text) {
    QString key;
    key.reserve(text.size());
    for (qsizetype at = 0; at < text.size(); ++at) {
        const QChar ch = text.at(at);
        const bool wide =
            ch == QLatin1Char('%') && at + 1 < text.size() && text.at(at + 1) == QLatin1Char('U');
        const qsizetype digits = wide ? 4 : 2;
        // A view, not a copy: this runs for every character of every key.
        const QStringView code = QStringView(text).mid(at + (wide ? 2 : 1), digits);
        if (ch == QLatin1Char('%') && code.size() == digits &&
            std::all_of(code.cbegin(), code.cend(), isHexDigit)) {
            key += QChar(static_cast<char16_t>(code.toUShort(nullptr, 16)));
            at += (wide ? 1 : 0) + digits;
        } else {
            key += ch == QLatin1Char('\\') ? QLatin1Char('/') : ch;
        }
    }
    return key;
}

QByteArray KLSettingsFileFormat::escapedKey(const QString &key) {
    QByteArray escaped;
    for (const QChar ch : key) {
        const char16_t code = ch.unicode();
        if (ch == QLatin1Char('/')) {
            escaped += '\\';
        } else if ((code < 0x80 && ch.isLetterOrNumber()) || ch == QLatin1Char('_') ||
                   ch == QLatin1Char('-') || ch == QLatin1Char('.')) {
            escaped += static_cast<char>(code);
        } else if (code <= 0xFF) {
            escaped += '%' + QByteArray::number(code, 16).toUpper().rightJustified(2, '0');
        } else {
            escaped += "%U" + QByteArray::number(code, 16).toUpper().rightJustified(4, '0');
        }
    }
    return escaped;
}

std::optional<QVariant> KLSettingsFileFormat::parsedValue(const QString &text) {
    QStringList strings = unescapedStrings(text);
    for (QString &string : strings) {
        // "@@" is how a text that begins with "@" is written, "@String(...)" one with a null character in it;
        // any other "@" begins a serialised value.
        if (string.startsWith(QLatin1String("@@"))) {
            string.remove(0, 1);
        } else if (string.startsWith(QLatin1String("@String(")) && string.endsWith(QLatin1Char(')'))) {
            string = string.mid(8).chopped(1);
        } else if (string.startsWith(QLatin1Char('@'))) {
            return std::nullopt;
        }
    }
    return strings.size() == 1 ? QVariant(strings.first()) : QVariant(strings);
}

QStringList KLSettingsFileFormat::unescapedStrings(const QString &text) {
    QStringList strings;
    QString current;
    qsizetype kept = 0; // the length of `current` without the unquoted blanks at its end
    bool quoted = false;
    for (qsizetype at = 0; at < text.size();) {
        const QChar ch = text.at(at);
        if (!quoted && (ch == QLatin1Char(';') || ch == QLatin1Char(','))) {
            strings += current.left(kept);
            current.clear();
            kept = 0;
            if (ch == QLatin1Char(';')) { // the rest of the line is a comment
                return strings;
            }
            ++at;
            continue;
        }
        if (ch == QLatin1Char('"')) {
            quoted = !quoted;
            ++at;
        } else if (ch == QLatin1Char('\\')) {
            at = readEscape(text, at + 1, current);
        } else {
            ++at;
            if (!quoted && ch.isSpace()) {
                if (!current.isEmpty()) {
                    current += ch;
                }
                continue;
            }
            current += ch;
        }
        kept = current.size();
    }
    strings += current.left(kept);
    return strings;
}

std::optional<QByteArray> KLSettingsFileFormat::valueText(const QVariant &value) {
    if (value.typeId() == QMetaType::QStringList) {
        QByteArrayList texts;
        for (const QString &string : value.toStringList()) {
            texts += escapedString(markedString(string));
        }
        return texts.join(", ");
    }
    if (!value.isValid() || value.typeId() == QMetaType::QVariantList ||
        value.typeId() == QMetaType::QVariantMap || !value.canConvert<QString>()) {
        return std::nullopt;
    }
    return escapedString(markedString(value.toString()));
}

QString KLSettingsFileFormat::markedString(const QString &string) {
    if (string.contains(QChar::Null)) {
        return QLatin1String("@String(") + string + QLatin1Char(')');
    }
    return string.startsWith(QLatin1Char('@')) ? QLatin1Char('@') + string : string;
}

QByteArray KLSettingsFileFormat::escapedString(const QString &text) {
    // Built as text and encoded at the end, so that the halves of a surrogate pair stay together.
    QString escaped;
    bool quote = false;
    // After a numeric escape a following hex digit is escaped as well, or it would read as part of the code.
    bool escapeNextIfHex = false;
    for (const QChar ch : text) {
        quote = quote || ch == QLatin1Char(';') || ch == QLatin1Char(',') || ch == QLatin1Char('=');
        const std::optional<char> letter = escapeLetter(ch);
        if ((escapeNextIfHex && isHexDigit(ch)) || (!letter && ch.unicode() <= 0x1F)) {
            escaped += QLatin1String("\\x") + QString::number(ch.unicode(), 16);
            escapeNextIfHex = true;
            continue;
        }
        escapeNextIfHex = ch.isNull(); // "\0" is an octal escape
        if (letter) {
            escaped += QLatin1Char('\\');
            escaped += QLatin1Char(*letter);
        } else {
            escaped += ch;
        }
    }
    if (quote || escaped.startsWith(QLatin1Char(' ')) || escaped.endsWith(QLatin1Char(' '))) {
        escaped = QLatin1Char('"') + escaped + QLatin1Char('"');
    }
    return escaped.toUtf8();
}
