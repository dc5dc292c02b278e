#include "Views/Other/KLAccessibleProgressIndicator.h"

#include <QWidget>

#include <cmath>

KLAccessibleProgressIndicator::KLAccessibleProgressIndicator(QWidget *indicator)
    : QAccessibleWidget(indicator, QAccessible::ProgressBar, QStringLiteral("Progress")) {}

QAccessibleInterface *KLAccessibleProgressIndicator::factory(const QString &className, QObject *object) {
    return className == QLatin1String("KLProgressIndicator") && object != nullptr && object->isWidgetType()
               ? new KLAccessibleProgressIndicator(qobject_cast<QWidget *>(object))
               : nullptr;
}

void *KLAccessibleProgressIndicator::interface_cast(QAccessible::InterfaceType type) {
    return type == QAccessible::ValueInterface ? static_cast<QAccessibleValueInterface *>(this)
                                               : QAccessibleWidget::interface_cast(type);
}

QAccessible::State KLAccessibleProgressIndicator::state() const {
    QAccessible::State state = QAccessibleWidget::state();
    state.busy = object()->property("indeterminate").toBool();
    state.readOnly = true;
    return state;
}

QVariant KLAccessibleProgressIndicator::currentValue() const {
    return static_cast<int>(std::lround(object()->property("progress").toDouble() * 100.0));
}

void KLAccessibleProgressIndicator::setCurrentValue(const QVariant &) {
    // The progress is the entry's to tell, not the reader's to set.
}

QVariant KLAccessibleProgressIndicator::maximumValue() const {
    return 100;
}

QVariant KLAccessibleProgressIndicator::minimumValue() const {
    return 0;
}

QVariant KLAccessibleProgressIndicator::minimumStepSize() const {
    return 1;
}
