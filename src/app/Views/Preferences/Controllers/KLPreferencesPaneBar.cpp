#include "Views/Preferences/Controllers/KLPreferencesPaneBar.h"

#include "Views/Preferences/Controllers/KLAccessiblePaneButton.h"
#include "Views/Preferences/Controllers/KLPreferencesPaneButton.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QKeyEvent>

#include <algorithm>

KLPreferencesPaneBar::KLPreferencesPaneBar(const QStringList &titles, QWidget *parent)
    : QWidget(parent), m_group(new QButtonGroup(this)) {
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addStretch();
    // Before the first button: its accessible interface is made (and kept) as soon as it is.
    KLAccessiblePaneButton::install();
    for (const QString &title : titles) {
        const int index = static_cast<int>(m_buttons.size());
        auto *button = new KLPreferencesPaneButton(title, this);
        // Only the current button is in the tab order (see setCurrent); a click leaves the focus alone.
        button->setFocusPolicy(Qt::NoFocus);
        button->installEventFilter(this);
        m_group->addButton(button);
        connect(button, &QToolButton::clicked, this, [this, index] { Q_EMIT chosen(index, false); });
        layout->addWidget(button);
        m_buttons.push_back(button);
    }
    layout->addStretch();
}

QToolButton *KLPreferencesPaneBar::button(int index) const {
    return m_buttons.at(static_cast<size_t>(index));
}

void KLPreferencesPaneBar::setCurrent(int index) {
    // The window's focus, even while another window is active (a screen reader may press a button then).
    const bool focused = isAncestorOf(window()->focusWidget());
    for (size_t at = 0; at < m_buttons.size(); ++at) {
        m_buttons[at]->setFocusPolicy(static_cast<int>(at) == index ? Qt::TabFocus : Qt::NoFocus);
    }
    button(index)->setChecked(true);
    if (focused) {
        button(index)->setFocus(Qt::TabFocusReason);
    }
}

bool KLPreferencesPaneBar::eventFilter(QObject *watched, QEvent *event) {
    const auto found = std::find(m_buttons.begin(), m_buttons.end(), watched);
    if (event->type() != QEvent::KeyPress || found == m_buttons.end()) {
        return QWidget::eventFilter(watched, event);
    }
    const auto *key = static_cast<QKeyEvent *>(event);
    // Ctrl+Tab and the like are the window's; Alt+letter belongs to the labels.
    if ((key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) {
        return false;
    }
    const int from = static_cast<int>(found - m_buttons.begin());
    switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        Q_EMIT chosen(from, true);
        return true;
    default:
        break;
    }
    const int to = neighbour(from, key->key());
    if (to < 0) {
        return false;
    }
    Q_EMIT chosen(to, false);
    return true;
}

int KLPreferencesPaneBar::neighbour(int from, int key) const {
    std::vector<int> shown;
    for (size_t at = 0; at < m_buttons.size(); ++at) {
        if (!m_buttons[at]->isHidden()) {
            shown.push_back(static_cast<int>(at));
        }
    }
    const auto position = std::find(shown.begin(), shown.end(), from);
    if (shown.empty() || position == shown.end()) {
        return -1;
    }
    const auto count = static_cast<std::ptrdiff_t>(shown.size());
    const std::ptrdiff_t at = position - shown.begin();
    // Left goes towards the start of the row, which is on the right in a right-to-left layout.
    const std::ptrdiff_t back = (at + count - 1) % count;
    const std::ptrdiff_t forth = (at + 1) % count;
    switch (key) {
    case Qt::Key_Left:
        return shown[static_cast<size_t>(isRightToLeft() ? forth : back)];
    case Qt::Key_Right:
        return shown[static_cast<size_t>(isRightToLeft() ? back : forth)];
    case Qt::Key_Up:
        return shown[static_cast<size_t>(back)];
    case Qt::Key_Down:
        return shown[static_cast<size_t>(forth)];
    case Qt::Key_Home:
        return shown.front();
    case Qt::Key_End:
        return shown.back();
    default:
        return -1;
    }
}
