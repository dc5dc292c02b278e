#include "Model/KLTask/YTDL/KLYoutubeFormatDescription.h"

#include <QStringList>

#include <cmath>

namespace {

bool isDecimalDigit(QChar character) {
    return character >= QLatin1Char('0') && character <= QLatin1Char('9');
}

// The digits as a number; 0 for none and for a number too large to be real (a hostile line).
uint64_t digitsValue(QStringView digits) {
    bool ok = false;
    const qulonglong value = digits.toULongLong(&ok);
    return ok ? value : 0;
}

// The number that the text starts with (leading blanks skipped, digits with at most one point); 0 when it
// starts with anything else.
double leadingNumber(QStringView text) {
    qsizetype start = 0;
    while (start < text.size() && text.at(start) == QLatin1Char(' ')) {
        ++start;
    }
    qsizetype end = start;
    bool seenPoint = false;
    while (end < text.size() &&
           (isDecimalDigit(text.at(end)) || (text.at(end) == QLatin1Char('.') && !seenPoint))) {
        seenPoint = seenPoint || text.at(end) == QLatin1Char('.');
        ++end;
    }
    bool ok = false;
    const double value = text.sliced(start, end - start).toDouble(&ok);
    return ok && std::isfinite(value) ? value : 0.0;
}

} // namespace

std::shared_ptr<KLYoutubeFormatDescription> KLYoutubeFormatDescription::parseFormatLine(const QString &line) {
    const QStringList fields = line.split(QLatin1Char('\t'));
    if (fields.size() < 3 || fields.at(0).isEmpty()) {
        return nullptr;
    }
    const QString &note = fields.at(2);
    auto description = std::make_shared<KLYoutubeFormatDescription>();
    description->setItag(fields.at(0));
    description->setType(fields.at(1));
    if (line.contains(QStringLiteral("audio only"))) {
        description->setMode(audioOnlyMode);
        description->setAbr(parseAbr(note));
    } else {
        description->setMode(line.contains(QStringLiteral("video only")) ? videoOnlyMode : videoAndAudioMode);
        description->setSize(parseSize(note));
        description->setFps(parseFps(note));
    }
    return description;
}

QSizeF KLYoutubeFormatDescription::parseSize(const QString &note) {
    const QStringView resolution = QStringView(note).left(note.indexOf(QLatin1Char(' ')));
    const qsizetype separator = resolution.indexOf(QLatin1Char('x'));
    if (separator < 0) {
        return QSizeF(leadingNumber(resolution), 0.0);
    }
    QStringView height = resolution.sliced(separator + 1);
    // Only the first two parts of "WxHx..." count.
    height = height.left(height.indexOf(QLatin1Char('x')));
    return QSizeF(leadingNumber(resolution.left(separator)), leadingNumber(height));
}

uint64_t KLYoutubeFormatDescription::parseFps(const QString &note) {
    const qsizetype marker = note.indexOf(QStringLiteral("fps"));
    if (marker < 0) {
        return 0;
    }
    qsizetype start = marker;
    while (start > 0 && isDecimalDigit(note.at(start - 1))) {
        --start;
    }
    return digitsValue(QStringView(note).sliced(start, marker - start));
}

uint64_t KLYoutubeFormatDescription::parseAbr(const QString &note) {
    const qsizetype marker = note.indexOf(QLatin1Char('@'));
    if (marker < 0) {
        return 0;
    }
    qsizetype start = marker + 1;
    while (start < note.size() && note.at(start) == QLatin1Char(' ')) {
        ++start;
    }
    qsizetype end = start;
    while (end < note.size() && isDecimalDigit(note.at(end))) {
        ++end;
    }
    return digitsValue(QStringView(note).sliced(start, end - start));
}

QString KLYoutubeFormatDescription::itag() const {
    return m_itag;
}

void KLYoutubeFormatDescription::setItag(const QString &itag) {
    m_itag = itag;
}

QString KLYoutubeFormatDescription::type() const {
    return m_type;
}

void KLYoutubeFormatDescription::setType(const QString &type) {
    m_type = type;
}

int32_t KLYoutubeFormatDescription::mode() const {
    return m_mode;
}

void KLYoutubeFormatDescription::setMode(int32_t mode) {
    m_mode = mode;
}

QSizeF KLYoutubeFormatDescription::size() const {
    return m_size;
}

void KLYoutubeFormatDescription::setSize(const QSizeF &size) {
    m_size = size;
}

uint64_t KLYoutubeFormatDescription::fps() const {
    return m_fps;
}

void KLYoutubeFormatDescription::setFps(uint64_t fps) {
    m_fps = fps;
}

uint64_t KLYoutubeFormatDescription::abr() const {
    return m_abr;
}

void KLYoutubeFormatDescription::setAbr(uint64_t abr) {
    m_abr = abr;
}
