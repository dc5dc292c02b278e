#include "Model/KLTask/YTDL/KLYTDLDownloadTask.h"

#include "Model/KLTask/YTDL/KLYTDLScriptArguments.h"
#include "Utils/KLLog.h"
#include "Utils/KLResources.h"
#include "Utils/KLScriptManager.h"

#include <QFileInfo>

namespace {

const QString etaMarker = QStringLiteral("ETA");
const QString etaPrefix = QStringLiteral("ETA ");
const QString sizePrefix = QStringLiteral(" of ");

bool isLineEnd(QChar character) {
    return character == QLatin1Char('\n') || character == QLatin1Char('\r');
}

// The time after "ETA ": the digits and colons that follow it, such as 01:23:45. Empty for a word such as
// Unknown.
QString etaIn(const QString &line) {
    const qsizetype start = line.indexOf(etaPrefix);
    if (start < 0) {
        return QString();
    }
    qsizetype end = start + etaPrefix.size();
    while (end < line.size() && (line.at(end).isDigit() || line.at(end) == QLatin1Char(':'))) {
        ++end;
    }
    const qsizetype from = start + etaPrefix.size();
    return line.mid(from, end - from).trimmed();
}

// The leading decimal number of the text (sign, digits, one point), 0 when there is none.
double leadingNumber(const QString &text) {
    qsizetype length = 0;
    if (length < text.size() &&
        (text.at(length) == QLatin1Char('-') || text.at(length) == QLatin1Char('+'))) {
        ++length;
    }
    bool seenPoint = false;
    while (length < text.size()) {
        const QChar character = text.at(length);
        if (character == QLatin1Char('.') && !seenPoint) {
            seenPoint = true;
        } else if (character < QLatin1Char('0') || character > QLatin1Char('9')) {
            break;
        }
        ++length;
    }
    bool ok = false;
    const double value = text.left(length).toDouble(&ok);
    return ok ? value : 0.0;
}

// The number in front of the first "%", from the nearest blank before it; nothing without a "%".
std::optional<double> percentageIn(const QString &line) {
    const qsizetype percent = line.indexOf(QLatin1Char('%'));
    if (percent < 0) {
        return std::nullopt;
    }
    const qsizetype blank = percent == 0 ? -1 : line.lastIndexOf(QLatin1Char(' '), percent - 1);
    return leadingNumber(line.mid(blank + 1, percent - blank - 1));
}

// The size after " of ", up to the next blank or the line's end, without the "~" of an estimate. Empty when
// the line gives none.
QString sizeIn(const QString &line) {
    const qsizetype start = line.indexOf(sizePrefix);
    if (start < 0) {
        return QString();
    }
    qsizetype end = start + sizePrefix.size();
    while (end < line.size() && line.at(end) != QLatin1Char(' ') && !isLineEnd(line.at(end))) {
        ++end;
    }
    const qsizetype from = start + sizePrefix.size();
    return line.mid(from, end - from).remove(QLatin1Char('~'));
}

// The downloader's closing lines: the whole size fetched in a given time.
bool isClosingLine(const QString &line) {
    return line.contains(QStringLiteral(" in ")) || line.contains(QStringLiteral("[download] 100% of "));
}

QString withoutLineEnd(QString line) {
    while (!line.isEmpty() && isLineEnd(line.back())) {
        line.chop(1);
    }
    return line;
}

} // namespace

KLYTDLDownloadTask::KLYTDLDownloadTask(const QUrl &sourceURL, const QString &targetURL, bool useSubtitles,
                                       const QUrl &referer)
    : m_sourceURL(sourceURL), m_targetURL(targetURL), m_useSubtitles(useSubtitles), m_referer(referer) {
    setType(longDownloadType);
}

std::optional<QString> KLYTDLDownloadTask::format() const {
    return m_format;
}

void KLYTDLDownloadTask::setFormat(const std::optional<QString> &format) {
    m_format = format;
}

QString KLYTDLDownloadTask::informationFile() const {
    return m_informationFile.path();
}

void KLYTDLDownloadTask::setInformationFile(const KLYTDLInformationFile &informationFile) {
    m_informationFile = informationFile;
}

std::optional<QString> KLYTDLDownloadTask::downloadDescription() const {
    return m_downloadDescription;
}

void KLYTDLDownloadTask::setDownloadDescription(const std::optional<QString> &downloadDescription) {
    m_downloadDescription = downloadDescription;
}

std::optional<QString> KLYTDLDownloadTask::downloadSize() const {
    return m_downloadSize;
}

void KLYTDLDownloadTask::setDownloadSize(const QString &downloadSize) {
    m_downloadSize = downloadSize;
}

QString KLYTDLDownloadTask::getCommand(const QString &proxyFile, const QString &cookiesFile) const {
    const QUrl referer = m_referer;
    return KLScriptManager::commandForScript(
        QStringLiteral("ytdl_download"),
        {KLYTDLScriptArguments::ytdlPath(), m_sourceURL.toString(QUrl::FullyEncoded), m_targetURL,
         KLResources::ffmpegPath(), format().value_or(QStringLiteral("best")),
         m_useSubtitles ? QStringLiteral("yes") : QStringLiteral("no"),
         KLYTDLScriptArguments::provider(settings().get()), proxyFile,
         referer.isEmpty() ? QString() : referer.toString(QUrl::FullyEncoded), informationFile(),
         cookiesFile});
}

void KLYTDLDownloadTask::prepareTaskDescription() {
    setTaskDescription(downloadDescription().value_or(QStringLiteral("Downloading...")));
}

void KLYTDLDownloadTask::doTaskMain() {
    // A task terminated before it ran has ended already.
    if (hasEnded()) {
        return;
    }
    prepareTaskDescription();
    setResult(QString(m_targetURL + QStringLiteral(".part")));

    // The script reads the proxy, the cookies and the information file while it runs; they go once it has
    // ended, with the handlers that hold them.
    const KLDownloadProxyFile proxy = KLYTDLScriptArguments::proxyFile(settings().get());
    const KLDownloaderCookies cookies = KLYTDLScriptArguments::cookies(*this);
    const QString command = getCommand(proxy.path(), cookies.path());
    KLYTDLInformationFile information;
    information = std::exchange(m_informationFile, KLYTDLInformationFile());
    auto reading = std::make_shared<Reading>();
    runScript(
        command, [this, reading](const QString &line) { treatLine(line, *reading); },
        [this, reading, proxy, cookies, information] { downloadEnded(*reading); });
}

void KLYTDLDownloadTask::downloadEnded(const Reading &reading) {
    if (reading.completed) {
        setResult(m_targetURL);
    } else {
        setError(failure(KLError::downloadType,
                         QStringLiteral("Download failed for URL: %1").arg(m_sourceURL.toString())));
    }
    setFinished(true);
}

QString KLYTDLDownloadTask::failureCause() const {
    const QString cause = KLScriptTask::failureCause();
    if (m_receivedData) {
        return cause;
    }
    // The downloader makes the unfinished file when the first bytes arrive. A server that sends nothing
    // after its headers makes it give up missing that file (or with no word at all): that is no reason a
    // user can act on, the silence is.
    const bool missingUnfinishedFile = cause.contains(QStringLiteral("No such file or directory")) &&
                                       cause.contains(QStringLiteral(".part"));
    if (missingUnfinishedFile ||
        (cause.isEmpty() && QFileInfo(m_targetURL + QStringLiteral(".part")).size() == 0)) {
        return QStringLiteral("the server sent no data");
    }
    return cause;
}

KLYTDLDownloadTask::LineReading KLYTDLDownloadTask::readLine(const QString &line) {
    LineReading reading;
    reading.merging = line.contains(QStringLiteral("ffmpeg"));
    if (!line.contains(QStringLiteral("[download]"))) {
        return reading;
    }
    if (!line.contains(etaMarker)) {
        reading.closing = isClosingLine(line);
        return reading;
    }
    reading.progress = true;
    reading.eta = etaIn(line);
    reading.percentage = percentageIn(line);
    reading.size = sizeIn(line);
    return reading;
}

void KLYTDLDownloadTask::treatLine(const QString &line, Reading &reading) {
    KLLog::log(QStringLiteral("Download progress: %1").arg(withoutLineEnd(line)));
    const LineReading read = readLine(line);
    if (read.merging) {
        setCompletionFactor(-1.0);
    }
    if (read.progress) {
        readProgress(read, reading);
    } else if (read.closing) {
        reading.completed = true;
        setCompletionFactor(1.0);
    }
}

void KLYTDLDownloadTask::readProgress(const LineReading &line, Reading &reading) {
    if (line.percentage.value_or(1.0) > 0.0) {
        m_receivedData = true;
    }
    if (!line.eta.isEmpty()) {
        setEta(line.eta);
    }
    if (line.percentage) {
        setCompletionFactor(*line.percentage / 100.0);
    }
    // A line without a size leaves it unknown, so that a later line can still give it.
    if (reading.sizeKnown || line.size.isEmpty()) {
        return;
    }
    setDownloadSize(line.size);
    KLLog::log(QStringLiteral("Setting download size to %1").arg(line.size));
    reading.sizeKnown = true;
}
