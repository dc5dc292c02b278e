#include "Views/Other/KLAccessibleProgressIndicator.h"

#include "Views/Other/KLProgressIndicator.h"

#include <cmath>

KLAccessibleProgressIndicator::KLAccessibleProgressIndicator(KLProgressIndicator *indicator)
    : QAccessibleWidget(indicator, QAccessible::ProgressBar, QStringLiteral("Progress")) {}

QAccessibleInterface *KLAccessibleProgressIndicator::factory(const QString &className, QObject *object) {
    auto *indicator = qobject_cast<KLProgressIndicator *>(object);
    return className == QLatin1String("KLProgressIndicator") && indicator != nullptr
               ? new KLAccessibleProgressIndicator(indicator)
               : nullptr;
}

void *KLAccessibleProgressIndicator::interface_cast(QAccessible::InterfaceType type) {
    return type == QAccessible::ValueInterface ? static_cast<QAccessibleValueInterface *>(this)
                                               : QAccessibleWidget::interface_cast(type);
}

QAccessible::State KLAccessibleProgressIndicator::state() const {
    QAccessible::State state = QAccessibleWidget::state();
    state.busy = indicator()->indeterminate();
    state.readOnly = true;
    return state;
}

QVariant KLAccessibleProgressIndicator::currentValue() const {
    return static_cast<int>(std::lround(indicator()->progress() * 100.0));
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

KLProgressIndicator *KLAccessibleProgressIndicator::indicator() const {
    return static_cast<KLProgressIndicator *>(object());
}
