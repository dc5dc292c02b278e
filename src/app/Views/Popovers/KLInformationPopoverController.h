#pragma once

#include "Model/Preferences/KLSettingsLevel.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QWidget>

class KLEntry;
class QVBoxLayout;

// What is known about an entry, one titled line each: why it failed, its title, how much of it is kept for
// a later run, then its media: for a local file its streams; for a web video the sizes it is offered in (for
// users who choose sizes themselves), or what its beginning showed.
class KLInformationPopoverController final : public QWidget {
    Q_OBJECT

public:
    using Line = QPair<QString, QString>;

    explicit KLInformationPopoverController(QWidget *parent = nullptr);

    void addTitle(const QString &title, const QString &value);
    int lineCount() const { return m_lines.size(); }
    QList<Line> lines() const { return m_lines; }
    // The sum of the lines' heights.
    int contentHeight() const { return m_contentHeight; }

    // The lines that describe the entry at the given settings level.
    static QList<Line> linesForEntry(const KLEntry &entry, KLSettingsLevel level);

private:
    static QList<Line> localLines(const KLEntry &entry);
    static QList<Line> remoteLines(const KLEntry &entry, KLSettingsLevel level);
    // How much of the video is kept for a later run ("12 MB of 40 MB"); empty when nothing is.
    static QString keptAmount(const KLEntry &entry);
    static QString availableHeights(const QList<QSizeF> &resolutions);

    QVBoxLayout *m_layout;
    QList<Line> m_lines;
    int m_contentHeight = 0;
};
