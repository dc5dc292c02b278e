#include "Model/KLEntry/KLEntry.h"

#include "Flow/FFMPEG/KLFFMPEGCommandFactory.h"
#include "Flow/TaskManager/KLTaskManager.h"
#include "Model/KLEntry/KLEntryDestinationChooser.h"
#include "Model/KLTask/Basic/KLScriptTask.h"
#include "Model/KLTask/Basic/KLVideoProperties.h"
#include "Model/KLTask/FFMPEG/KLConvertFFMPEGTask.h"
#include "Model/KLTask/FFMPEG/KLGetLocalVideoPropertiesTask.h"
#include "Model/KLTask/KLError.h"
#include "Model/KLTask/KLTask.h"
#include "Model/Preferences/KLDefaultPreferences.h"
#include "Utils/KLDispatch.h"
#include "Utils/KLFilePlacer.h"
#include "Utils/KLKeptDownloads.h"
#include "Utils/KLKinolarkUtils.h"
#include "Utils/KLLog.h"
#include "Utils/KLServices.h"

#include <QDir>
#include <QFileInfo>

#include <cstdlib>
#include <optional>
#include <utility>

namespace {

// File names hold at most 255 bytes; keep room for the extension and for " 99999" when the name is taken.
QString fitFileNameBase(const QString &base, const QString &extension) {
    const qsizetype budget = 255 - 6 - (extension.toUtf8().size() + 1);
    QString fitted = base;
    while (fitted.toUtf8().size() > budget && !fitted.isEmpty()) {
        fitted.chop(fitted.size() >= 2 && fitted.at(fitted.size() - 1).isLowSurrogate() ? 2 : 1);
    }
    return fitted;
}

// One picture shared by every entry that has none of its own.
QImage blackThumbnail() {
    static const QImage black = [] {
        QImage image(224, 168, QImage::Format_RGB888);
        image.fill(Qt::black);
        return image;
    }();
    return black;
}

} // namespace

KLEntry::KLEntry(std::shared_ptr<const KLServices> services)
    : m_services(std::move(services)),
      m_sessionCookies(m_services != nullptr ? m_services->sessionCookies.lock() : nullptr) {}

KLEntry::~KLEntry() = default;

QUrl KLEntry::originalURL() const {
    return m_originalURL;
}

void KLEntry::setOriginalURL(const QUrl &originalURL) {
    m_originalURL = originalURL;
    Q_EMIT entryNewOriginalURL(originalURL);
}

QString KLEntry::outputFile() const {
    return m_outputFile;
}

void KLEntry::setOutputFile(const QString &outputFile) {
    m_outputFile = outputFile;
    Q_EMIT entryNewOutputFile(outputFile);
}

QString KLEntry::title() const {
    return m_title;
}

void KLEntry::setTitle(const QString &title) {
    const QString normalized = normalizedTitle(title);
    m_title = normalized;
    Q_EMIT entryNewTitle(normalized);
}

QString KLEntry::normalizedTitle(const QString &title) {
    QString normalized = KLKinolarkUtils::printableText(title);
    normalized.replace(QLatin1Char('/'), QLatin1Char(':'));
    normalized.remove(QLatin1Char('.'));
    normalized = normalized.trimmed();
    // A title of points or blanks alone would name a hidden file made of its extension only.
    return normalized.isEmpty() ? unknownTitle : normalized;
}

QString KLEntry::state() const {
    return m_state;
}

void KLEntry::setState(const QString &state) {
    m_state = state;
    Q_EMIT entryNewState(state);
}

QImage KLEntry::representativeImage() const {
    return m_representativeImage;
}

void KLEntry::setRepresentativeImage(const QImage &representativeImage) {
    m_representativeImage = representativeImage;
    Q_EMIT entryNewRepresentativeImage(representativeImage);
}

std::shared_ptr<KLError> KLEntry::error() const {
    return m_error;
}

void KLEntry::setError(const std::shared_ptr<KLError> &error) {
    m_error = error;
    Q_EMIT entryNewError(error);
}

double KLEntry::completionFactor() const {
    return m_completionFactor;
}

void KLEntry::setCompletionFactor(double completionFactor) {
    m_completionFactor = completionFactor;
    Q_EMIT entryNewCompletionFactor(completionFactor);
}

QString KLEntry::eta() const {
    return m_eta;
}

void KLEntry::setEta(const QString &eta) {
    m_eta = eta;
    Q_EMIT entryNewETA(eta);
}

bool KLEntry::completed() const {
    return m_completed;
}

void KLEntry::setCompleted(bool completed) {
    m_completed = completed;
    Q_EMIT entryCompleted();
}

std::shared_ptr<KLVideoProperties> KLEntry::properties() const {
    return m_properties;
}

void KLEntry::setProperties(const std::shared_ptr<KLVideoProperties> &properties) {
    m_properties = properties;
    Q_EMIT entryNewProperties(properties);
}

bool KLEntry::local() const {
    return m_local;
}

void KLEntry::setLocal(bool local) {
    m_local = local;
    Q_EMIT entryIsLocal(local);
}

bool KLEntry::processing() const {
    return m_processing;
}

void KLEntry::setProcessing(bool processing) {
    m_processing = processing;
}

void KLEntry::prepareWithCompletion(std::function<void()>) {}

void KLEntry::cancel() {
    m_cancelled = true;
    cancelConversionTasks();
}

void KLEntry::doProcessing() {}

void KLEntry::resetState() {
    setCompletionFactor(0.0);
    setError(nullptr);
    setCompleted(false);
}

void KLEntry::follow(KLTask *task) {
    connect(task, &KLTask::taskHasReachedCompletionFactor, this, &KLEntry::setCompletionFactor);
    connect(task, &KLTask::taskHasReachedETA, this, &KLEntry::setEta);
    connect(task, &KLTask::taskDescriptionWasChanged, this,
            [this, task](const QString &description) { showTaskDescription(task, description); });
}

void KLEntry::showTaskDescription(const KLTask *task, const QString &description) {
    // The measuring task names the file it reads, a path in the temporary folder that means nothing to the
    // user.
    setState(task == m_measuringTask ? measuringState : description);
}

// ---- The run ----

void KLEntry::process(Placement placement) {
    setProcessing(true);
    m_cancelled = false;
    m_paused = false;
    Q_EMIT entryHasStartedProcessing();

    const std::shared_ptr<KLDefaultPreferences> live = KLServices::preferencesOf(m_services.get());
    if (live == nullptr) {
        KLLog::log(QStringLiteral("No preferences to process with"));
        finishProcessingWithError(KLError::create(KLError::downloadType, copyErrorDescription));
        return;
    }
    const std::shared_ptr<KLEntryDestinationChooser> chooser = m_services->destinationChooser;
    m_preferences = live->copy();
    // Without anybody to ask, the output is placed as in the automatic mode: never over an existing file.
    m_automaticallyStartDownloading =
        placement == Placement::Automatic || live->automaticallyStartDownloading() || chooser == nullptr;
    if (m_automaticallyStartDownloading) {
        resetState();
        const QString extension = outputExtension(true);
        continueWithDestination(
            KLKinolarkUtils::pathInFolder(live->downloadLocation(), destinationFileName(extension)));
        return;
    }
    std::weak_ptr<KLEntry> weakSelf = weak_from_this();
    chooser->chooseDestinationForEntry(shared_from_this(), runPreferences(), title(),
                                       live->downloadLocation(), [weakSelf](std::optional<QString> chosen) {
                                           const std::shared_ptr<KLEntry> self = weakSelf.lock();
                                           if (self == nullptr) {
                                               return;
                                           }
                                           if (!chosen.has_value() || chosen->isEmpty()) {
                                               self->setProcessing(false);
                                               Q_EMIT self->entryHasFinishedProcessing();
                                               return;
                                           }
                                           // The user may have changed the container for this entry: the
                                           // extension is decided now.
                                           const QString destination =
                                               *chosen + QLatin1Char('.') + self->outputExtension(false);
                                           self->resetState();
                                           self->continueWithDestination(destination);
                                       });
}

void KLEntry::continueWithDestination(const QString &destination) {
    runPreferences()->setDownloadLocation(destination);
    // Later, not inside the call that started the run (a batch that starts every entry, a dialog's answer).
    KLDispatch::async([self = shared_from_this()] { self->doProcessing(); });
}

QString KLEntry::outputExtension(bool automatic) const {
    const std::shared_ptr<KLPreferences> preferences = runPreferences();
    if (preferences->container() != KLPreferences::downloadOnlyNoConversion) {
        return preferences->container();
    }
    const std::shared_ptr<KLVideoProperties> source = properties();
    QString container = source != nullptr ? source->container() : QString();
    if (container.isEmpty()) {
        container = QStringLiteral("mp4");
        if (automatic && source != nullptr) {
            source->setContainer(container);
        }
    }
    return container;
}

QString KLEntry::destinationFileName(const QString &extension) const {
    return fitFileNameBase(title(), extension) + QLatin1Char('.') + extension;
}

std::shared_ptr<KLPreferences> KLEntry::runPreferences() const {
    return m_preferences;
}

bool KLEntry::runIsDownloadOnly() const {
    return runPreferences()->container() == KLPreferences::downloadOnlyNoConversion;
}

QString KLEntry::temporaryFolder() const {
    return m_temporaryFolder;
}

QString KLEntry::createRunFolder(const QString &existing) {
    const QString folder = existing.isEmpty() ? KLKinolarkUtils::createTemporaryFolder() : existing;
    m_temporaryFolder = folder;
    m_runFolderKept = false;
    return folder;
}

std::shared_ptr<KLKeptDownloads> KLEntry::keptDownloads() const {
    return m_services != nullptr && !m_keptDownloadForgotten ? m_services->keptDownloads : nullptr;
}

void KLEntry::useKeptRunFolder(const QString &folder) {
    m_temporaryFolder = folder;
    m_runFolderKept = true;
}

void KLEntry::forgetKeptDownload() {
    const std::shared_ptr<KLKeptDownloads> kept = keptDownloads();
    m_keptDownloadForgotten = true; // a run in progress removes the folder as it ends
    if (kept != nullptr && !m_processing) {
        kept->discard(m_originalURL);
    }
}

std::shared_ptr<KLError> KLEntry::cancellationError() {
    return KLError::create(KLError::terminatedType, QStringLiteral("Task terminated"));
}

void KLEntry::enqueueTask(const std::shared_ptr<KLTask> &task,
                          std::function<void(KLEntry &entry, KLTask &task)> handler) {
    follow(task.get());
    // The entry is reached weakly: a task must not keep an entry that its owner has let go.
    task->setCompletionBlock([weakSelf = weak_from_this(), handler = std::move(handler)](KLTask *ended) {
        if (const std::shared_ptr<KLEntry> self = weakSelf.lock()) {
            QObject::disconnect(ended, nullptr, self.get(), nullptr);
            handler(*self, *ended);
        }
    });
    if (const std::shared_ptr<KLTaskManager> manager = taskManager()) {
        manager->enqueueTask(task);
    } else {
        task->start(); // no scheduler: run at once
    }
}

std::shared_ptr<const KLDefaultPreferences> KLEntry::webSettings() const {
    return KLServices::preferencesOf(m_services.get());
}

void KLEntry::equipWebTask(KLScriptTask &task) const {
    task.setSettings(webSettings());
    task.setSessionCookies(m_sessionCookies);
}

bool KLEntry::thumbnailsShown() const {
    return m_services == nullptr || m_services->thumbnailsShown;
}

std::shared_ptr<KLTaskManager> KLEntry::taskManager() const {
    return m_services != nullptr ? m_services->taskManager : nullptr;
}

void KLEntry::terminateAndDequeue(const std::shared_ptr<KLTask> &task) {
    if (task == nullptr) {
        return;
    }
    task->terminate();
    if (const std::shared_ptr<KLTaskManager> manager = taskManager()) {
        manager->dequeueTask(task);
    }
}

void KLEntry::cancelConversionTasks() {
    // A copy: a termination runs the task's handler, which changes the list.
    const std::vector<std::shared_ptr<KLTask>> tasks = m_conversionTasks;
    for (const std::shared_ptr<KLTask> &task : tasks) {
        terminateAndDequeue(task);
    }
}

void KLEntry::prepareWithPropertiesTask(const std::shared_ptr<KLTask> &propertiesTask,
                                        std::function<void()> completion,
                                        std::function<void(KLVideoProperties &)> adjust) {
    if (m_cancelled) {
        setError(cancellationError());
        return;
    }
    enqueueTask(propertiesTask, [completion = std::move(completion),
                                 adjust = std::move(adjust)](KLEntry &entry, KLTask &task) {
        auto properties = task.resultAs<std::shared_ptr<KLVideoProperties>>();
        if (properties == nullptr) {
            properties = std::make_shared<KLVideoProperties>();
            properties->setUndeterminate(true);
        }
        if (adjust) {
            adjust(*properties);
        }
        entry.setProperties(properties);
        entry.setTitle(properties->title().isEmpty() ? unknownTitle : properties->title());
        const QImage thumbnail = properties->thumbnail();
        entry.setRepresentativeImage(thumbnail.isNull() ? blackThumbnail() : thumbnail);
        entry.setState(readyState);
        if (entry.cancelled()) {
            entry.setError(cancellationError());
        }
        if (completion) {
            completion();
        }
    });
}

void KLEntry::runConversionStage(const QString &inputPath) {
    if (!propertiesNeedMeasuring()) {
        convert(inputPath);
        return;
    }
    // What the metadata stage could not learn in time is read from the downloaded file itself, so that the
    // conversion honours the settings (a size limit above all) whatever the timing was.
    auto measuring = std::make_shared<KLGetLocalVideoPropertiesTask>(inputPath, false);
    if (!startConversionTasks({measuring})) {
        return;
    }
    m_measuringTask = static_cast<const KLTask *>(measuring.get());
    enqueueTask(measuring, [inputPath](KLEntry &entry, KLTask &task) {
        entry.m_measuringTask = nullptr;
        if (entry.cancelled() ||
            (task.error() != nullptr && task.error()->errorType() == KLError::terminatedType)) {
            entry.finishProcessingWithError(cancellationError());
            return;
        }
        if (const auto measured = task.resultAs<std::shared_ptr<KLVideoProperties>>()) {
            entry.adoptMeasuredProperties(measured);
        }
        entry.convert(inputPath);
    });
}

bool KLEntry::propertiesNeedMeasuring() const {
    const std::shared_ptr<KLVideoProperties> source = properties();
    return source == nullptr || source->undeterminate() ||
           (source->containerMode() != KLVideoProperties::audioOnlyMode && source->resolution().isEmpty());
}

void KLEntry::adoptMeasuredProperties(const std::shared_ptr<KLVideoProperties> &measured) {
    // The streams are the file's; what describes the source (title, picture, size) stays as it was found.
    if (const std::shared_ptr<KLVideoProperties> known = properties()) {
        measured->setTitle(known->title());
        measured->setSize(known->size());
        measured->setLocal(known->local());
        if (!known->thumbnail().isNull()) {
            measured->setThumbnail(known->thumbnail());
        }
    }
    setProperties(measured);
}

bool KLEntry::startConversionTasks(const std::vector<std::shared_ptr<KLTask>> &tasks) {
    m_conversionTasks = tasks;
    setState(waitingToConvertState);
    if (m_cancelled) { // cancelled while the stage was being set up
        finishProcessingWithError(cancellationError());
        return false;
    }
    return true;
}

void KLEntry::convert(const QString &inputPath) {
    const std::shared_ptr<KLPreferences> preferences = runPreferences();
    const std::shared_ptr<KLFFMPEGCommandFactory> factory = m_services->ffmpegFactory;
    std::shared_ptr<KLVideoProperties> source = properties();
    if (source == nullptr) {
        source = std::make_shared<KLVideoProperties>();
    }
    QString problem = QStringLiteral("no conversion is set up");
    const QStringList commands = factory != nullptr ? factory->generateFFMPEGParametersForPreferences(
                                                          *preferences, *source, temporaryFolder(), &problem)
                                                    : QStringList();
    const QString output =
        QDir(temporaryFolder())
            .filePath(QStringLiteral("conversion.") + QFileInfo(preferences->downloadLocation()).suffix());
    std::vector<std::shared_ptr<KLTask>> tasks;
    if (commands.size() == 2) {
        tasks.push_back(std::make_shared<KLConvertFFMPEGTask>(inputPath, QString(), commands.at(0)));
        tasks.push_back(std::make_shared<KLConvertFFMPEGTask>(inputPath, output, commands.at(1)));
    } else if (commands.size() == 1) {
        tasks.push_back(std::make_shared<KLConvertFFMPEGTask>(inputPath, output, commands.at(0)));
    } else if (commands.isEmpty()) {
        // Settings that allow no conversion fail this run, not the program.
        finishProcessingWithError(KLError::create(KLError::ffmpegType, conversionFailedDescription, problem));
        return;
    } else {
        KLLog::log(QStringLiteral("Unexpected number of FFMPEG commands: %1").arg(commands.size()));
        std::abort();
    }
    m_conversionOutput = output;
    if (startConversionTasks(tasks)) {
        enqueueTask(tasks.front(), [](KLEntry &entry, KLTask &task) { entry.conversionTaskEnded(task); });
    }
}

void KLEntry::conversionTaskEnded(KLTask &task) {
    if (const std::shared_ptr<KLError> failure = task.error()) {
        finishProcessingWithError(failure);
        return;
    }
    if (!m_conversionTasks.empty()) {
        m_conversionTasks.erase(m_conversionTasks.begin());
    }
    const std::shared_ptr<KLTask> next = m_conversionTasks.empty() ? nullptr : m_conversionTasks.front();
    if (next != nullptr) {
        setState(waitingToConvertState);
        enqueueTask(next, [](KLEntry &entry, KLTask &ended) { entry.conversionTaskEnded(ended); });
        return;
    }
    finishByPlacing(m_conversionOutput);
}

QString KLEntry::placeItem(const QString &item, const QString &destination, bool neverReplace,
                           QString *failure) {
    // A destination folder that is not there yet (chosen before it existed, or gone since) is made; never
    // one named relative to wherever the program happens to run.
    const QFileInfo target(destination);
    if (const std::optional<QString> reason =
            target.isAbsolute() ? KLFilePlacer::makeFolder(target.path()) : std::nullopt) {
        *failure = *reason;
        return QString();
    }
    return KLFilePlacer::placeCopyOfFile(item, destination, neverReplace, failure);
}

void KLEntry::itemPlaced(const QString &item, const QString &placed, const QString &failure) {
    if (placed.isEmpty()) {
        failPlacement(item, failure);
        return;
    }
    runPreferences()->setDownloadLocation(placed);
    finishWithSuccessAndOutputFile(placed);
}

void KLEntry::failPlacement(const QString &item, const QString &reason) {
    QString cause = reason;
    // What the run made would go with its temporary folder: it is kept where the user can find it. A file
    // of the user's own (a local file placed as it is) stays where it is anyway.
    const QString folder = temporaryFolder();
    if (!folder.isEmpty() && item.startsWith(folder + QLatin1Char('/'))) {
        QString keepFailure;
        const QString kept = keepUnplacedFile(item, &keepFailure);
        if (kept.isEmpty()) {
            cause += QStringLiteral("; the file could not be kept either: ") + keepFailure;
        } else {
            cause += QStringLiteral("; the file is kept in ") + kept;
            setOutputFile(kept);
        }
    }
    // The run's file is kept apart: a retry fetches afresh rather than keeping a second copy.
    removeTemporaryFolder(true);
    setError(KLError::create(KLError::downloadType, copyErrorDescription, cause));
    setState(copyFailedState);
    endRun();
}

QString KLEntry::keepUnplacedFile(const QString &item, QString *failure) const {
    const QString folder = KLKinolarkUtils::pathInFolder(KLKinolarkUtils::getApplicationDataDirectory(),
                                                         QStringLiteral("Not placed"));
    if (const std::optional<QString> reason = KLFilePlacer::makeFolder(folder, 0700)) {
        *failure = *reason;
        return QString();
    }
    const QString name = QFileInfo(runPreferences()->downloadLocation()).fileName();
    return KLFilePlacer::moveFile(item, KLKinolarkUtils::pathInFolder(folder, name), failure);
}

void KLEntry::finishByPlacing(const QString &item) {
    if (m_cancelled) {
        finishProcessingWithError(cancellationError());
        return;
    }
    setState(placingState);
    KLDispatch::background([self = shared_from_this(), item,
                            destination = runPreferences()->downloadLocation(),
                            neverReplace = m_automaticallyStartDownloading] {
        QString failure;
        const QString placed = placeItem(item, destination, neverReplace, &failure);
        KLDispatch::async([self, item, placed, failure] { self->itemPlaced(item, placed, failure); });
    });
}

void KLEntry::finishWithSuccessAndOutputFile(const QString &outputFile) {
    const std::shared_ptr<KLKeptDownloads> kept = keptDownloads();
    if (m_runFolderKept && kept != nullptr && m_services->queuePersistence != nullptr) {
        // The remembered queue may still name the video's page at the next start, should the program end
        // before it forgets it: the record of the placed file brings the entry back done, not fetched again.
        kept->markPlaced(m_originalURL, outputFile);
        releaseKeptFolder();
    } else {
        removeTemporaryFolder(true);
    }
    const std::shared_ptr<KLDefaultPreferences> live = KLServices::preferencesOf(m_services.get());
    if (live != nullptr && live->importIntoItunes()) {
        KLKinolarkUtils::importURLIntoITunes(outputFile);
    }
    m_sessionCookies.reset(); // the session is of no use to a finished run, and is not kept longer
    setOutputFile(outputFile);
    setState(doneState);
    setProcessing(false);
    setCompleted(true);
    Q_EMIT entryHasFinishedProcessing();
}

void KLEntry::finishProcessingWithError(const std::shared_ptr<KLError> &error) {
    removeTemporaryFolder(false);
    if (std::exchange(m_pausing, false) && error != nullptr &&
        error->errorType() == KLError::terminatedType) {
        markPaused();
        endRun();
        return;
    }
    m_sessionCookies.reset();
    setError(error);
    setState(error != nullptr && error->errorType() == KLError::terminatedType ? cancelledState
                                                                               : failedState);
    endRun();
}

bool KLEntry::pausable() const {
    return m_processing && !m_paused && !m_pausing && m_state != placingState;
}

qint64 KLEntry::keptBytes() const {
    const std::shared_ptr<KLKeptDownloads> kept = keptDownloads();
    return kept != nullptr ? kept->keptBytes(m_originalURL) : 0;
}

void KLEntry::pause() {
    if (!pausable()) {
        return;
    }
    m_pausing = true;
    cancel();
}

void KLEntry::resume() {
    if (!m_paused || m_processing) {
        return;
    }
    if (m_preferences == nullptr) {
        process(Placement::Automatic); // paused by an earlier run of the program: placed as it would have
        return;
    }
    setProcessing(true);
    m_cancelled = false;
    m_paused = false;
    Q_EMIT entryHasStartedProcessing();
    resetState();
    continueWithDestination(runPreferences()->downloadLocation());
}

void KLEntry::markPaused() {
    m_paused = true;
    setError(nullptr);
    setEta(QString());
    setState(pausedState);
}

void KLEntry::endRun() {
    setProcessing(false);
    Q_EMIT entryHasFinishedProcessing();
}

void KLEntry::releaseKeptFolder() {
    if (std::exchange(m_runFolderKept, false) && m_services != nullptr &&
        m_services->keptDownloads != nullptr) {
        m_services->keptDownloads->release(m_originalURL);
    }
}

void KLEntry::removeTemporaryFolder(bool finished) {
    const QString folder = temporaryFolder();
    if (folder.isEmpty()) {
        return;
    }
    const bool kept = m_runFolderKept && !m_keptDownloadForgotten;
    releaseKeptFolder();
    if (kept && !finished) {
        // The download stays for the next run; a half-written conversion is of no use to it.
        if (!m_conversionOutput.isEmpty() && m_conversionOutput.startsWith(folder + QLatin1Char('/'))) {
            QFile::remove(m_conversionOutput);
        }
        return;
    }
    QDir(folder).removeRecursively();
}
