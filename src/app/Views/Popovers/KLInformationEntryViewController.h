#pragma once

#include <QWidget>

// One line of an entry's information: a title ("Duration:") and its value, the value wrapping within its
// column; the line is as tall as its value needs, up to a number of lines past which the value scrolls.
class KLInformationEntryViewController final : public QWidget {
    Q_OBJECT

public:
    static constexpr int valueWidth = 149;
    static constexpr int titleWidth = 96;
    static constexpr int maximumValueLines = 12;

    KLInformationEntryViewController(const QString &title, const QString &value, QWidget *parent = nullptr);

    QString entryTitle() const { return m_title; }
    QString entryValue() const { return m_value; }
    // The height of the value laid out in the system font at the value column's width (at most the height
    // of the maximum number of lines), plus 12.
    int lineHeight() const;
    static int heightForValue(const QString &value, const QFont &font);

private:
    QString m_title;
    QString m_value;
};
