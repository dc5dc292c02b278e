#include "Model/KLTask/YTDL/KLUpdateYTDLTask.h"

#include "Model/KLTask/YTDL/KLYTDLScriptArguments.h"
#include "Model/Preferences/KLDefaultPreferences.h"
#include "Utils/KLLog.h"
#include "Utils/KLSafeFile.h"
#include "Utils/KLScratchFolder.h"
#include "Utils/KLScriptManager.h"

#include <QUrl>

KLUpdateYTDLTask::KLUpdateYTDLTask(Mode mode) : m_mode(mode) {
    setType(mode == Mode::install ? longDownloadType : shortDownloadType);
}

KLUpdateYTDLTask::Outcome KLUpdateYTDLTask::installOutcome(const QString &report) {
    for (const QString &line : report.split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String("Private copy installed:"))) {
            return Outcome::installed;
        }
        if (line.startsWith(QLatin1String("Private copy already installed:"))) {
            return Outcome::alreadyInstalled;
        }
    }
    return Outcome::failed;
}

QString KLUpdateYTDLTask::command(const QString &credentialsFile) const {
    const auto &stored = settings();
    QStringList arguments{KLYTDLScriptArguments::ytdlPath(), stored ? stored->updateProxyURL() : QString(),
                          credentialsFile};
    if (m_mode == Mode::install) {
        arguments << QStringLiteral("install");
    }
    return KLScriptManager::commandForScript(QStringLiteral("update_downloaders"), arguments);
}

QByteArray KLUpdateYTDLTask::updateProxyCredentials() const {
    const auto &stored = settings();
    if (!stored || stored->updateProxyURL().isEmpty() || stored->updateProxyUsername().isEmpty()) {
        return {};
    }
    QByteArray credentials = QUrl::toPercentEncoding(stored->updateProxyUsername());
    const QString password = stored->updateProxyPassword();
    KLLog::addSecret(password); // should anything the script reports hold it after all
    if (!password.isEmpty()) {
        credentials += ':' + QUrl::toPercentEncoding(password);
    }
    return credentials;
}

void KLUpdateYTDLTask::runWithCredentials(const QByteArray &credentials) {
    // The scratch folder is made for this run, readable by the user only; it goes when the script has.
    const std::shared_ptr<KLScratchFolder> folder = KLScratchFolder::create();
    const QString file = folder->filePath(QStringLiteral("update-proxy"));
    if (!KLSafeFile::replaceFile(file, credentials + '\n', 0600)) {
        report(QStringLiteral("Cannot hand the update proxy's credentials over: nothing was changed\n"));
        return;
    }
    runScriptToEnd(command(file), [this, folder](const QString &output) { report(output); });
}

void KLUpdateYTDLTask::report(const QString &output) {
    setResult(output);
    setFinished(true);
}

void KLUpdateYTDLTask::prepareTaskDescription() {
    setTaskDescription(m_mode == Mode::install ? QStringLiteral("Installing extra tools...")
                                               : QStringLiteral("Updating downloaders..."));
}

void KLUpdateYTDLTask::doTaskMain() {
    prepareTaskDescription();
    const QByteArray credentials = updateProxyCredentials();
    if (credentials.isEmpty()) {
        runScriptToEnd(command(QString()), [this](const QString &output) { report(output); });
    } else {
        runWithCredentials(credentials);
    }
}
