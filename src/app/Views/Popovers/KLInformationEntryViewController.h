#pragma once

#include <QWidget>

class QLabel;

// One line of an entry's information: a title ("Duration:") and its value, the value wrapping within its
// column; the line is as tall as its value needs.
class KLInformationEntryViewController final : public QWidget {
    Q_OBJECT

public:
    static constexpr int valueWidth = 149;
    static constexpr int titleWidth = 96;

    KLInformationEntryViewController(const QString &title, const QString &value, QWidget *parent = nullptr);

    QString entryTitle() const { return m_title; }
    QString entryValue() const { return m_value; }
    // The height of the value laid out in the system font at the value column's width, plus 12.
    int lineHeight() const;
    static int heightForValue(const QString &value, const QFont &font);

private:
    QString m_title;
    QString m_value;
};
