#pragma once

#include <QImage>
#include <QObject>
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>
#include <vector>

class KLDefaultPreferences;
class KLError;
class KLKeptDownloads;
class KLScriptTask;
class KLServices;
class KLSessionCookies;
class KLPreferences;
class KLTask;
class KLTaskManager;
class KLVideoProperties;

// One item of the queue: one source that becomes exactly one output file. It holds the state its row shows,
// announces every change by a signal, and runs the processing every kind of entry shares: a copy of the
// settings for the run, the destination, the conversion stage, the placement at the destination and the
// endings. The kinds add their preparation and their download stage.
//
// Entries live on the main thread, where their tasks' ends move them on; only the placement of a finished
// file runs in a pool job. Entries are always owned through std::shared_ptr.
class KLEntry : public QObject, public std::enable_shared_from_this<KLEntry> {
    Q_OBJECT

public:
    static inline const QString readyState = QStringLiteral("Ready to process...");
    static inline const QString waitingToDownloadState = QStringLiteral("Waiting to download...");
    static inline const QString waitingToMuxState = QStringLiteral("Waiting to mux...");
    static inline const QString waitingToConvertState = QStringLiteral("Waiting to convert...");
    static inline const QString measuringState = QStringLiteral("Measuring...");
    // While the finished file is copied to its destination, which may take a while on another file system.
    static inline const QString placingState = QStringLiteral("Copying to destination...");
    static inline const QString doneState = QStringLiteral("Done...");
    static inline const QString copyFailedState = QStringLiteral("Could not copy file to destination...");
    static inline const QString cancelledState = QStringLiteral("Cancelled");
    static inline const QString pausedState = QStringLiteral("Paused");
    static inline const QString failedState = QStringLiteral("Download/conversion error...");
    static inline const QString unknownTitle = QStringLiteral("Unknown title");
    static inline const QString copyErrorDescription =
        QStringLiteral("Error copying download file to destionation path");
    static inline const QString conversionFailedDescription = QStringLiteral("Conversion failed...");

    // The services the run uses (the settings, the scheduler, the conversion's commands, who chooses the
    // destination). An entry without them can be shown but not processed.
    explicit KLEntry(std::shared_ptr<const KLServices> services = nullptr);
    ~KLEntry() override;
    KLEntry(const KLEntry &) = delete;
    KLEntry &operator=(const KLEntry &) = delete;

    QUrl originalURL() const;
    void setOriginalURL(const QUrl &originalURL);
    QString outputFile() const;
    void setOutputFile(const QString &outputFile);
    QString title() const;
    // Stores the title made fit for a file name: "/" becomes ":", points go.
    void setTitle(const QString &title);
    QString state() const;
    void setState(const QString &state);
    QImage representativeImage() const;
    void setRepresentativeImage(const QImage &representativeImage);
    std::shared_ptr<KLError> error() const;
    void setError(const std::shared_ptr<KLError> &error);
    double completionFactor() const;
    void setCompletionFactor(double completionFactor);
    QString eta() const;
    void setEta(const QString &eta);
    bool completed() const;
    void setCompleted(bool completed);
    std::shared_ptr<KLVideoProperties> properties() const;
    void setProperties(const std::shared_ptr<KLVideoProperties> &properties);
    bool local() const;
    void setLocal(bool local);
    bool processing() const;
    void setProcessing(bool processing);

    // The title normalisation, also for callers that name files as the entry will.
    static QString normalizedTitle(const QString &title);

    // Gathers what the entry needs before it is shown; ends "Ready to process..." and calls the completion
    // once, unless the entry was cancelled first (then `error` is a termination error and it is not called).
    virtual void prepareWithCompletion(std::function<void()> completion);
    // Where a run's output goes: as the stored "start downloads automatically" setting says (asked for
    // unless it is on), or placed automatically without asking, as a batch or the command line wants.
    enum class Placement { AsStored, Automatic };

    // Starts a run: settings copy, destination, then the kind's own stages on a background thread.
    void process(Placement placement = Placement::AsStored);
    // Stops the run; an idle entry only remembers it (a preparation in progress then ends cancelled).
    virtual void cancel();
    // Stops a run that fetches or converts, keeping what it fetched, to be resumed; a run that already
    // places its file goes on.
    void pause();
    // Continues a paused run towards the destination it had (where the settings say, for an entry that
    // came back paused from an earlier run of the program).
    void resume();
    bool paused() const { return m_paused; }
    // Whether pause() would stop the run now: it runs, and has not begun placing its file.
    bool pausable() const;
    // Bytes of the video kept for a later run (0 when nothing is kept).
    qint64 keptBytes() const;
    // Progress 0, no error, not completed, each through its setter.
    void resetState();
    // Lets go of what was kept of the entry's download, as the entry leaves the queue: at once, or when a
    // run in progress ends.
    void forgetKeptDownload();

    bool cancelled() const { return m_cancelled; }

Q_SIGNALS:
    // Every change of what a row shows, told as it is made.
    void entryHasStartedProcessing();
    void entryHasFinishedProcessing();
    void entryNewOriginalURL(const QUrl &originalURL);
    void entryNewTitle(const QString &title);
    void entryNewRepresentativeImage(const QImage &image);
    void entryNewError(const std::shared_ptr<KLError> &error);
    void entryNewState(const QString &state);
    void entryNewCompletionFactor(double completionFactor);
    void entryNewETA(const QString &eta);
    void entryCompleted();
    void entryNewOutputFile(const QString &outputFile);
    void entryNewProperties(const std::shared_ptr<KLVideoProperties> &properties);
    void entryIsLocal(bool local);

protected:
    // The kind's own stages; runs on the main thread with the destination already chosen.
    virtual void doProcessing();

    // Nil for an entry that is only shown.
    const std::shared_ptr<const KLServices> &services() const { return m_services; }
    // The program's settings, whose proxy and TV provider the entry's web tasks use; nil without services.
    std::shared_ptr<const KLDefaultPreferences> webSettings() const;
    // Gives a task that reaches the web the settings and the session the entry's tools use.
    void equipWebTask(KLScriptTask &task) const;
    // Whether the program shows the videos' pictures (see KLServices).
    bool thumbnailsShown() const;

    // The run's settings copy; its download location is the destination file.
    std::shared_ptr<KLPreferences> runPreferences() const;
    bool runIsDownloadOnly() const;
    QString temporaryFolder() const;
    // Makes the run's temporary folder, which goes when the run ends. A folder the entry already holds
    // (with a partial download in it) can be handed in to serve as that folder instead.
    QString createRunFolder(const QString &existing = QString());
    // Where downloads are kept across runs; nil without services.
    std::shared_ptr<KLKeptDownloads> keptDownloads() const;
    // Takes a kept folder as the run's folder: a run that does not finish leaves its download there for the
    // next run, instead of removing it.
    void useKeptRunFolder(const QString &folder);

    // Queues a metadata task and finishes the preparation when it ends; `adjust` may complete the record.
    void prepareWithPropertiesTask(const std::shared_ptr<KLTask> &propertiesTask,
                                   std::function<void()> completion,
                                   std::function<void(KLVideoProperties &)> adjust = nullptr);
    // Converts `inputPath` with one or two conversion tasks, then places the result at the destination.
    // Properties that are still unknown are measured on the file first.
    void runConversionStage(const QString &inputPath);
    // Places a copy of `item` at the destination, making its folder when missing, in a pool job (a copy to
    // another file system takes a while), then ends the run: with success, or with what the run made kept
    // in the "Not placed" folder of the data directory.
    void finishByPlacing(const QString &item);
    void finishWithSuccessAndOutputFile(const QString &outputFile);
    void finishProcessingWithError(const std::shared_ptr<KLError> &error);

    // Hands the task to the scheduler; its ending reaches `handler` with this entry, if it is still there.
    void enqueueTask(const std::shared_ptr<KLTask> &task,
                     std::function<void(KLEntry &entry, KLTask &task)> handler);
    void terminateAndDequeue(const std::shared_ptr<KLTask> &task);
    // Shows the entry paused, with what an earlier run kept waiting to be continued.
    void markPaused();
    // Remembers the cancellation; what runs is stopped by the caller.
    void markCancelled() { m_cancelled = true; }
    void cancelConversionTasks();
    static std::shared_ptr<KLError> cancellationError();

private:
    std::shared_ptr<KLTaskManager> taskManager() const;
    // Follows the running task: its progress, time to go and description become the entry's.
    void follow(KLTask *task);
    void showTaskDescription(const KLTask *task, const QString &description);
    QString outputExtension(bool automatic) const;
    QString destinationFileName(const QString &extension) const;
    void continueWithDestination(const QString &destination);
    bool propertiesNeedMeasuring() const;
    void adoptMeasuredProperties(const std::shared_ptr<KLVideoProperties> &measured);
    // Makes the tasks the stage's pending ones; false (and the run ended) when it was cancelled meanwhile.
    bool startConversionTasks(const std::vector<std::shared_ptr<KLTask>> &tasks);
    void convert(const QString &inputPath);
    void conversionTaskEnded(KLTask &task);
    // Lets another run use the video's kept folder.
    void releaseKeptFolder();
    // Removes the run's folder; a kept folder of a run that did not finish keeps its download.
    void removeTemporaryFolder(bool finished);
    void endRun();
    // Ends the run with the copy failure; the cause says why and where the finished file was kept.
    void failPlacement(const QString &item, const QString &reason);
    // The placement's end: `placed` is where the copy went, or empty with `failure` saying why.
    void itemPlaced(const QString &item, const QString &placed, const QString &failure);
    // Run by the pool job: makes the destination's folder and places the copy there.
    static QString placeItem(const QString &item, const QString &destination, bool neverReplace,
                             QString *failure);
    // Moves a finished file that could not be placed into the "Not placed" folder, named as its destination
    // (numbered when taken); its new path, or empty with `failure` set.
    QString keepUnplacedFile(const QString &item, QString *failure) const;

    QUrl m_originalURL;
    QString m_outputFile;
    QString m_title;
    QString m_state;
    QImage m_representativeImage;
    std::shared_ptr<KLError> m_error;
    double m_completionFactor = 0.0;
    QString m_eta;
    bool m_completed = false;
    std::shared_ptr<KLVideoProperties> m_properties;
    bool m_local = false;
    bool m_processing = false;

    // The run.
    const std::shared_ptr<const KLServices> m_services;
    // The session handed over with the entry's page, until the entry's run has ended.
    std::shared_ptr<const KLSessionCookies> m_sessionCookies;
    std::shared_ptr<KLPreferences> m_preferences;
    // Whether this run places its output by itself (never over an existing file) rather than where asked.
    bool m_automaticallyStartDownloading = true;
    QString m_temporaryFolder;
    bool m_runFolderKept = false;
    // Set once the entry has left the queue: nothing of it is to be kept any more.
    bool m_keptDownloadForgotten = false;
    QString m_conversionOutput;
    // The task that measures the downloaded file, while it runs; only compared, never called.
    const KLTask *m_measuringTask = nullptr;
    bool m_cancelled = false;
    // A pause is a cancellation that ends paused rather than cancelled.
    bool m_pausing = false;
    bool m_paused = false;
    std::vector<std::shared_ptr<KLTask>> m_conversionTasks;
};
