#pragma once

#include <QString>
#include <QUrl>

#include <memory>

class KLEntry;
class KLError;

// Everything the application controller shows goes through this interface, which the window and the
// command line implement. Every call arrives on the main thread. The bodies here do nothing, so a user
// interface implements only what it has.
class KLApplicationUI {
public:
    virtual ~KLApplicationUI() = default;

    // An address as the user reads it: a file's path, a web address without the item marker
    // ("#kinolark-item=N") by which the page listing points each of a page's videos at its place.
    static QString addressForDisplay(const QUrl &url);
    // Why an address yielded nothing: the error's description, or the address itself when no reason is
    // known.
    static QString nothingFoundReason(const QUrl &url, const std::shared_ptr<KLError> &error);

    // The status line: its text, whether the text shows, the busy animation, the cancel button.
    virtual void setStatusText(const QString &text);
    virtual void setStatusTextVisible(bool visible);
    virtual void setSpinning(bool spinning);
    virtual void setCancelButtonVisible(bool visible);

    virtual void setDragEnabled(bool enabled);
    // Preferences and uninstall are offered once the launch has finished.
    virtual void setLaunchMenusEnabled(bool enabled);
    // The credentials window is offered only when the credentials store is usable.
    virtual void setPasswordManagerAvailable(bool available);
    virtual void setAddButtonVisible(bool visible);
    // Which batch actions are offered; with none of them the batch button hides.
    virtual void setBatchActions(bool processAll, bool clearCompleted, bool clearAll);
    // Whether pausing every running entry, and resuming every paused one, are offered.
    virtual void setPauseActions(bool pauseAll, bool resumeAll);
    virtual void closeBatchPopover();
    virtual void closeAddPopover();
    virtual void showAlert(const QString &title, const QString &message);

    // The queue: rows come and go with entries; any entry's change asks for a refresh.
    virtual void entryAdded(const std::shared_ptr<KLEntry> &entry);
    virtual void entryRemoved(const std::shared_ptr<KLEntry> &entry);
    virtual void numberOfEntriesChanged(int count);
    virtual void entryChanged(const std::shared_ptr<KLEntry> &entry);
    // An entry's run ended with an error or with its output in place (not when the user dismissed the
    // question where to put it); called once per run.
    virtual void entryFinished(const std::shared_ptr<KLEntry> &entry);
    // A desktop notification with its sound (a sound-theme name: "dialog-error", "complete"); the window
    // shows it only while the user works elsewhere.
    virtual void presentNotification(const QString &title, const QString &text, const QString &soundName);
    // A short sound by its sound-theme name ("trash-empty").
    virtual void playSound(const QString &soundName);
    // Nothing could be found at the address; `error` (possibly null) tells why when it is known.
    virtual void addressYieldedNothing(const QUrl &url, const std::shared_ptr<KLError> &error);

    // The application should end (after uninstalling).
    virtual void terminate();
};
