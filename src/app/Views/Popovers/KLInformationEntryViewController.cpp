#include "Views/Popovers/KLInformationEntryViewController.h"

#include <QFontMetrics>
#include <QLabel>
#include <QTextDocument>
#include <QTextEdit>

#include <algorithm>
#include <cmath>

namespace {

// Values are paths, addresses and tools' messages as often as words: a line breaks between words where it
// can and anywhere where it must, so that nothing runs past the popover's edge.
constexpr QTextOption::WrapMode valueWrapping = QTextOption::WrapAtWordBoundaryOrAnywhere;

QTextEdit *valueView(const QString &value, QWidget *parent) {
    auto *view = new QTextEdit(parent);
    view->setReadOnly(true);
    view->setTextInteractionFlags(Qt::TextSelectableByMouse);
    view->setFrameShape(QFrame::NoFrame);
    view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view->setWordWrapMode(valueWrapping);
    view->document()->setDocumentMargin(0);
    QPalette palette = view->palette();
    palette.setColor(QPalette::Base, Qt::transparent);
    view->setPalette(palette);
    view->setPlainText(value);
    return view;
}

} // namespace

KLInformationEntryViewController::KLInformationEntryViewController(const QString &title, const QString &value,
                                                                   QWidget *parent)
    : QWidget(parent), m_title(title), m_value(value) {
    auto *titleLabel = new QLabel(title, this);
    QFont bold = titleLabel->font();
    bold.setBold(true);
    titleLabel->setFont(bold);
    titleLabel->setAlignment(Qt::AlignRight | Qt::AlignTop);
    QTextEdit *valueText = valueView(value, this);
    // A reader announces the value by what it is ("Duration"), as the bold title beside it shows.
    valueText->setAccessibleName(QString(title).remove(QLatin1Char(':')));
    const int tall = lineHeight();
    titleLabel->setGeometry(0, 6, titleWidth, tall - 6);
    valueText->setGeometry(titleWidth + 8, 6, valueWidth, tall - 6);
    setFixedSize(titleWidth + 8 + valueWidth, tall);
}

int KLInformationEntryViewController::lineHeight() const {
    return heightForValue(m_value, font());
}

int KLInformationEntryViewController::heightForValue(const QString &value, const QFont &font) {
    QTextDocument laidOut;
    laidOut.setDefaultFont(font);
    laidOut.setDocumentMargin(0);
    QTextOption option = laidOut.defaultTextOption();
    option.setWrapMode(valueWrapping);
    laidOut.setDefaultTextOption(option);
    laidOut.setPlainText(value);
    laidOut.setTextWidth(valueWidth);
    // A long value scrolls within its line rather than push the popover off the screen.
    const int tallest = QFontMetrics(font).lineSpacing() * maximumValueLines;
    return std::min(static_cast<int>(std::ceil(laidOut.size().height())), tallest) + 12;
}
