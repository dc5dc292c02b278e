#pragma once

#include <QFrame>
#include <QPointer>

// A transient panel anchored to a button: it opens below the button (above it when the screen has no room
// below), closes when the user clicks anywhere else or presses Escape, and tells whoever listens when it has
// closed. It holds one content view and sizes itself to it.
class KLPopover final : public QFrame {
    Q_OBJECT

public:
    explicit KLPopover(QWidget *content, bool dark, QWidget *parent = nullptr);

    // Shows the popover next to `anchor`.
    void showRelativeTo(QWidget *anchor);
    QWidget *content() const { return m_content; }

Q_SIGNALS:
    void closed();

protected:
    void hideEvent(QHideEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QWidget *m_content;
    bool m_dark;
    const bool m_cutsItsShape;
};
