#pragma once

#include "App/KLApplicationUI.h"

#include <QElapsedTimer>
#include <QJsonObject>
#include <QStringList>
#include <QTextStream>

#include <map>
#include <memory>
#include <vector>

// Shows the queue on the terminal: one live line per entry (title, state, percentage, time to go) when
// standard output is a terminal, plain lines on every change of state otherwise, or one JSON object per
// line for every change of an entry.
class KLCommandLineUI final : public KLApplicationUI {
public:
    enum class Style { Live, Plain, Json };

    explicit KLCommandLineUI(Style style);

    void setStatusText(const QString &text) override;
    void entryAdded(const std::shared_ptr<KLEntry> &entry) override;
    void entryChanged(const std::shared_ptr<KLEntry> &entry) override;
    void entryFinished(const std::shared_ptr<KLEntry> &entry) override;
    void addressYieldedNothing(const QUrl &url, const std::shared_ptr<KLError> &error) override;

    // Draws what is still pending; called once at the end.
    void flush();
    QString lastStatusText() const { return m_statusText; }
    // Each address that gave nothing, with the reason where one is known.
    QStringList addressesWithoutContents() const { return m_addressesWithoutContents; }

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

    const Style m_style;
    QTextStream m_out;
    QString m_statusText;
    QStringList m_addressesWithoutContents;
    std::vector<std::shared_ptr<KLEntry>> m_order;
    std::map<const KLEntry *, Shown> m_shown;
    int m_linesDrawn = 0;
    QElapsedTimer m_sinceRedraw;
};
