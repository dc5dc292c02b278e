#include "Views/Preferences/Controllers/KLAccessiblePaneButton.h"

#include "Views/Preferences/Controllers/KLPreferencesPaneButton.h"

namespace {

QAccessibleInterface *paneButtonInterface(const QString &className, QObject *object) {
    auto *button = qobject_cast<KLPreferencesPaneButton *>(object);
    return className == QLatin1String("KLPreferencesPaneButton") && button != nullptr
               ? new KLAccessiblePaneButton(button)
               : nullptr;
}

} // namespace

KLAccessiblePaneButton::KLAccessiblePaneButton(QAbstractButton *button)
    : QAccessibleWidget(button, QAccessible::Button) {}

void KLAccessiblePaneButton::install() {
    static const bool installed = [] {
        QAccessible::installFactory(&paneButtonInterface);
        return true;
    }();
    Q_UNUSED(installed);
}

QAbstractButton *KLAccessiblePaneButton::button() const {
    return static_cast<QAbstractButton *>(widget());
}

QAccessible::State KLAccessiblePaneButton::state() const {
    QAccessible::State state = QAccessibleWidget::state();
    state.checkable = true;
    state.checked = button()->isChecked();
    return state;
}

QString KLAccessiblePaneButton::text(QAccessible::Text kind) const {
    if (kind == QAccessible::Name && button()->accessibleName().isEmpty()) {
        return button()->text();
    }
    return QAccessibleWidget::text(kind);
}

QStringList KLAccessiblePaneButton::actionNames() const {
    return QStringList{pressAction()} + QAccessibleWidget::actionNames();
}

void KLAccessiblePaneButton::doAction(const QString &action) {
    if (action == pressAction()) {
        button()->click();
        return;
    }
    QAccessibleWidget::doAction(action);
}
