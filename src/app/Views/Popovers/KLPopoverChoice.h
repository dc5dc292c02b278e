#pragma once

#include "Views/Other/KLPlainButton.h"

// One choice of a popover: a picture and a label on a row that lights up under the pointer. A choice that
// is not offered now shows greyed and takes no click.
class KLPopoverChoice final : public QWidget {
    Q_OBJECT

public:
    KLPopoverChoice(const QString &label, bool dark, QWidget *parent = nullptr);

    void setImageName(const QString &name);
    // Offered: normal text and a picture; not offered: the disabled text colour and no picture.
    void setOffered(bool offered);
    bool offered() const { return m_offered; }
    QString imageName() const { return m_imageName; }

Q_SIGNALS:
    void chosen();

private:
    void showContents();

    KLPlainButton *m_button;
    QString m_imageName;
    bool m_dark;
    bool m_offered = true;
};
