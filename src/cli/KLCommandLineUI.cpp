#include "KLCommandLineUI.h"

#include "Model/KLEntry/KLEntry.h"
#include "Model/KLTask/KLError.h"
#include "Utils/KLKinolarkUtils.h"

#include <QJsonDocument>

#include <cstdio>

KLCommandLineUI::KLCommandLineUI(Style style) : m_style(style), m_out(stdout) {
    m_sinceRedraw.start();
}

void KLCommandLineUI::setChangeListener(std::function<void()> listener) {
    m_changeListener = std::move(listener);
}

void KLCommandLineUI::tellChange() const {
    // A copy: the listener may let itself go.
    const std::function<void()> listener = m_changeListener;
    if (listener) {
        listener();
    }
}

void KLCommandLineUI::setStatusText(const QString &text) {
    m_statusText = text;
    tellChange();
}

void KLCommandLineUI::setAddButtonVisible(bool) {
    tellChange();
}

QJsonObject KLCommandLineUI::describe(const KLEntry &entry, int id) {
    const std::shared_ptr<KLError> error = entry.error();
    QJsonObject description{
        {QStringLiteral("id"), id},
        {QStringLiteral("title"), entry.title()},
        {QStringLiteral("state"), entry.state()},
        {QStringLiteral("progress"), entry.completionFactor()},
        {QStringLiteral("eta"), entry.eta()},
        {QStringLiteral("output"),
         entry.outputFile().isEmpty() ? QJsonValue() : QJsonValue(entry.outputFile())},
        {QStringLiteral("errorType"), error != nullptr ? QJsonValue(error->errorType()) : QJsonValue()},
        {QStringLiteral("errorDescription"),
         error != nullptr ? QJsonValue(error->errorDescription()) : QJsonValue()},
        {QStringLiteral("url"), entry.originalURL().toString()},
    };
    return description;
}

void KLCommandLineUI::addressYieldedNothing(const QUrl &url, const std::shared_ptr<KLError> &error) {
    m_addressesWithoutContents << nothingFoundReason(url, error);
    tellChange();
}

// Titles, states and paths come from web pages and tools: the terminal sees none of their control
// characters, which could move the cursor, recolour it or retitle the window.
QString KLCommandLineUI::progressLine(const QJsonObject &description) {
    return KLKinolarkUtils::printableText(rawProgressLine(description));
}

QString KLCommandLineUI::rawProgressLine(const QJsonObject &description) {
    QString line = description.value(QStringLiteral("title")).toString();
    line += QStringLiteral(": ") + description.value(QStringLiteral("state")).toString();
    const double progress = description.value(QStringLiteral("progress")).toDouble();
    if (progress > 0.0 && progress < 1.0) {
        line += QString::asprintf(" %3.0f%%", progress * 100.0);
    }
    const QString eta = description.value(QStringLiteral("eta")).toString();
    if (!eta.isEmpty() && progress < 1.0) {
        line += QStringLiteral(" ETA ") + eta;
    }
    const QString output = description.value(QStringLiteral("output")).toString();
    if (!output.isEmpty()) {
        line += QStringLiteral(" -> ") + output;
    }
    return line;
}

KLCommandLineUI::Shown &KLCommandLineUI::shownFor(const std::shared_ptr<KLEntry> &entry) {
    auto found = m_shown.find(entry.get());
    if (found == m_shown.end()) {
        m_order.push_back(entry);
        found = m_shown.emplace(entry.get(), Shown{static_cast<int>(m_order.size()), {}, {}}).first;
    }
    return found->second;
}

void KLCommandLineUI::entryAdded(const std::shared_ptr<KLEntry> &entry) {
    show(entry);
    tellChange();
}

void KLCommandLineUI::entryRemoved(const std::shared_ptr<KLEntry> &entry) {
    if (entry->completed() && entry->error() == nullptr) {
        ++m_finishedAndRemoved;
    }
    tellChange();
}

void KLCommandLineUI::entryChanged(const std::shared_ptr<KLEntry> &entry) {
    show(entry);
    tellChange();
}

void KLCommandLineUI::entryFinished(const std::shared_ptr<KLEntry> &entry) {
    show(entry);
    tellChange();
}

void KLCommandLineUI::show(const std::shared_ptr<KLEntry> &entry) {
    Shown &shown = shownFor(entry);
    const QJsonObject description = describe(*entry, shown.id);
    if (description == shown.last) {
        return;
    }
    shown.last = description;
    switch (m_style) {
    case Style::Json:
        m_out << QString::fromUtf8(QJsonDocument(description).toJson(QJsonDocument::Compact)) << Qt::endl;
        break;
    case Style::Plain:
        if (description.value(QStringLiteral("state")).toString() != shown.lastState) {
            shown.lastState = description.value(QStringLiteral("state")).toString();
            m_out << progressLine(description) << Qt::endl;
        }
        break;
    case Style::Live:
        redrawLiveLines(false);
        break;
    }
}

void KLCommandLineUI::redrawLiveLines(bool force) {
    // At most ten redraws a second: progress arrives far more often than a terminal needs.
    if (!force && m_sinceRedraw.elapsed() < 100) {
        return;
    }
    m_sinceRedraw.restart();
    if (m_linesDrawn > 0) {
        m_out << QStringLiteral("\x1b[%1A").arg(m_linesDrawn);
    }
    for (const auto &entry : m_order) {
        m_out << QStringLiteral("\r\x1b[2K") << progressLine(m_shown.at(entry.get()).last)
              << QLatin1Char('\n');
    }
    m_linesDrawn = static_cast<int>(m_order.size());
    m_out.flush();
}

void KLCommandLineUI::flush() {
    for (const auto &entry : m_order) {
        show(entry);
    }
    if (m_style == Style::Live) {
        redrawLiveLines(true);
    }
    m_out.flush();
}
