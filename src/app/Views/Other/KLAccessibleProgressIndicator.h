#pragma once

#include <QAccessibleWidget>

// What screen readers learn of an entry's progress ring: a progress bar whose value runs from 0 to 100 and
// follows the ring, "busy" while the ring turns without a measure. It reads the ring's properties
// ("progress", "indeterminate"), so the ring's class, which installs the factory, is not needed here.
class KLAccessibleProgressIndicator final : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit KLAccessibleProgressIndicator(QWidget *indicator);

    // For QAccessible::installFactory: the interface of a progress ring, nothing for other objects.
    static QAccessibleInterface *factory(const QString &className, QObject *object);

    void *interface_cast(QAccessible::InterfaceType type) override;
    QAccessible::State state() const override;

    QVariant currentValue() const override;
    void setCurrentValue(const QVariant &value) override;
    QVariant maximumValue() const override;
    QVariant minimumValue() const override;
    QVariant minimumStepSize() const override;
};
