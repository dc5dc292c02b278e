#pragma once

#include <QLineEdit>

// A row's title: shortened with an ellipsis when it does not fit, in full while the user edits it and in its
// tooltip. The shortened text is only what the field shows; title() is always the whole one.
class KLTitleTextField final : public QLineEdit {
    Q_OBJECT

public:
    explicit KLTitleTextField(QWidget *parent = nullptr);

    // The whole title, shown shortened unless the user is editing.
    void setTitle(const QString &title);
    // What the user typed while editing, the whole title otherwise.
    QString title() const;

protected:
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void showWhole();
    void showShortened();

    QString m_title;
    bool m_shortened = false;
};
