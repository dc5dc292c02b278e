#pragma once

#include <QStringList>
#include <QWidget>

#include <vector>

class KLPreferencesPaneButton;
class QButtonGroup;
class QToolButton;

// The row of pane buttons over the preferences. For the keyboard it is a single stop of the tab order, the
// current pane's button: the arrow keys, Home and End go along the shown buttons and switch the pane at once,
// Enter and Space ask to go into the pane.
class KLPreferencesPaneBar final : public QWidget {
    Q_OBJECT

public:
    explicit KLPreferencesPaneBar(const QStringList &titles, QWidget *parent = nullptr);

    QToolButton *button(int index) const;
    // Checks the pane's button and makes it the bar's stop in the tab order; if the bar had the focus, this
    // button takes it, so that walking the bar with the arrows keeps the user on it.
    void setCurrent(int index);

Q_SIGNALS:
    // A pane was chosen: by a click or an arrow key (the focus stays where it is), or by Enter or Space on
    // its button (`intoPane`: the pane's first control should take the focus).
    void chosen(int index, bool intoPane);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The shown button the key leads to from `from` (the ends wrap round); -1 for a key that moves nowhere.
    int neighbour(int from, int key) const;

    std::vector<KLPreferencesPaneButton *> m_buttons;
    QButtonGroup *m_group;
};
