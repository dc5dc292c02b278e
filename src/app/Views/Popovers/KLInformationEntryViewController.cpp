#include "Views/Popovers/KLInformationEntryViewController.h"

#include <QFontMetrics>
#include <QLabel>

KLInformationEntryViewController::KLInformationEntryViewController(const QString &title, const QString &value,
                                                                   QWidget *parent)
    : QWidget(parent), m_title(title), m_value(value) {
    auto *titleLabel = new QLabel(title, this);
    auto *valueLabel = new QLabel(value, this);
    QFont bold = titleLabel->font();
    bold.setBold(true);
    titleLabel->setFont(bold);
    titleLabel->setAlignment(Qt::AlignRight | Qt::AlignTop);
    valueLabel->setWordWrap(true);
    valueLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    valueLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    const int tall = lineHeight();
    titleLabel->setGeometry(0, 6, titleWidth, tall - 6);
    valueLabel->setGeometry(titleWidth + 8, 6, valueWidth, tall - 6);
    setFixedSize(titleWidth + 8 + valueWidth, tall);
}

int KLInformationEntryViewController::lineHeight() const {
    return heightForValue(m_value, font());
}

int KLInformationEntryViewController::heightForValue(const QString &value, const QFont &font) {
    const QRect laidOut =
        QFontMetrics(font).boundingRect(QRect(0, 0, valueWidth, 10000), Qt::TextWordWrap, value);
    return laidOut.height() + 12;
}
