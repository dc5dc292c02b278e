#pragma once

#include <QWidget>

class KLPopoverChoice;

// What the add button offers: paste links from the clipboard, or take the page a browser shows. A browser
// that is not running is offered greyed.
class KLAddPopoverController final : public QWidget {
    Q_OBJECT

public:
    KLAddPopoverController(bool showFirefox, bool showChrome, bool dark, QWidget *parent = nullptr);

    KLPopoverChoice *pasteChoice() const { return m_paste; }
    KLPopoverChoice *firefoxChoice() const { return m_firefox; }
    KLPopoverChoice *chromeChoice() const { return m_chrome; }

Q_SIGNALS:
    void pasteChosen();
    void firefoxChosen();
    void chromeChosen();

private:
    KLPopoverChoice *m_paste;
    KLPopoverChoice *m_firefox;
    KLPopoverChoice *m_chrome;
};
