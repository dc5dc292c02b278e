#pragma once

#include "App/KLApplicationUI.h"

#include <QElapsedTimer>
#include <QJsonObject>
#include <QStringList>
#include <QTextStream>

#include <functional>
#include <map>
#include <memory>
#include <vector>

// Shows the queue on the terminal: one live line per entry (title, state, percentage, time to go) when
// standard output is a terminal, plain lines on every change of state otherwise, or one JSON object per
// line for every change of an entry.
//
// It is also how the run hears of its progress: after every call that can mean the launch has finished or
// the run has ended (the add button shown at the end of the launch, a row's change, the status line going
// idle, an address that gave nothing), it calls the change listener.
class KLCommandLineUI final : public KLApplicationUI {
public:
    enum class Style { Live, Plain, Json };

    explicit KLCommandLineUI(Style style);

    // Told after every call that may matter to the run; an empty listener stops it, as the interface may
    // outlive its run in jobs still queued for it.
    void setChangeListener(std::function<void()> listener);

    void setStatusText(const QString &text) override;
    void setAddButtonVisible(bool visible) override;
    void entryAdded(const std::shared_ptr<KLEntry> &entry) override;
    void entryRemoved(const std::shared_ptr<KLEntry> &entry) override;
    void entryChanged(const std::shared_ptr<KLEntry> &entry) override;
    void entryFinished(const std::shared_ptr<KLEntry> &entry) override;
    void addressYieldedNothing(const QUrl &url, const std::shared_ptr<KLError> &error) override;

    // Draws what is still pending; called once at the end.
    void flush();
    QString lastStatusText() const { return m_statusText; }
    // Each address that gave nothing, with the reason where one is known.
    QStringList addressesWithoutContents() const { return m_addressesWithoutContents; }
    // Entries that left the queue after their run had succeeded (removed as the settings ask): they count
    // as done although the queue no longer holds them.
    int finishedAndRemoved() const { return m_finishedAndRemoved; }

private:
    struct Shown {
        int id = 0;
        QJsonObject last;
        QString lastState;
    };

    static QJsonObject describe(const KLEntry &entry, int id);
    static QString progressLine(const QJsonObject &description);
    static QString rawProgressLine(const QJsonObject &description);
    Shown &shownFor(const std::shared_ptr<KLEntry> &entry);
    void show(const std::shared_ptr<KLEntry> &entry);
    void redrawLiveLines(bool force);

    void tellChange() const;

    const Style m_style;
    std::function<void()> m_changeListener;
    QTextStream m_out;
    QString m_statusText;
    QStringList m_addressesWithoutContents;
    int m_finishedAndRemoved = 0;
    std::vector<std::shared_ptr<KLEntry>> m_order;
    std::map<const KLEntry *, Shown> m_shown;
    int m_linesDrawn = 0;
    QElapsedTimer m_sinceRedraw;
};
