#include "Views/Preferences/PreferenceViews/KLPaneLabels.h"

#include <QFormLayout>
#include <QLabel>

void KLPaneLabels::tie(QWidget *pane) {
    QList<QLabel *> labels;
    for (const QFormLayout *form : pane->findChildren<QFormLayout *>()) {
        for (int row = 0; row < form->rowCount(); ++row) {
            const QLayoutItem *item = form->itemAt(row, QFormLayout::LabelRole);
            auto *label = item != nullptr ? qobject_cast<QLabel *>(item->widget()) : nullptr;
            // A hidden label (a control the level leaves out, a codec pane on its way out) claims no letter.
            if (label == nullptr || !label->isVisibleTo(pane)) {
                continue;
            }
            if (label->buddy() == nullptr) {
                label->setBuddy(control(form->itemAt(row, QFormLayout::FieldRole)));
            }
            labels << label;
        }
    }
    QList<QKeySequence> taken;
    for (const QLabel *label : labels) {
        const QKeySequence own = QKeySequence::mnemonic(label->text());
        if (!own.isEmpty()) {
            taken << own;
        }
    }
    for (QLabel *label : labels) {
        if (QKeySequence::mnemonic(label->text()).isEmpty()) {
            addMnemonic(label, taken);
        }
    }
}

QWidget *KLPaneLabels::control(QLayoutItem *field) {
    if (field == nullptr) {
        return nullptr;
    }
    if (field->widget() != nullptr) {
        return field->widget();
    }
    QLayout *row = field->layout();
    for (int index = 0; row != nullptr && index < row->count(); ++index) {
        QWidget *widget = row->itemAt(index)->widget();
        if (widget != nullptr && (widget->focusPolicy() & Qt::TabFocus) == Qt::TabFocus) {
            return widget;
        }
    }
    return nullptr;
}

void KLPaneLabels::addMnemonic(QLabel *label, QList<QKeySequence> &taken) {
    const QString text = label->text();
    QList<qsizetype> wordStarts;
    QList<qsizetype> others;
    for (qsizetype at = 0; at < text.size(); ++at) {
        if (text[at].isLetter()) {
            (at == 0 || text[at - 1].isSpace() ? wordStarts : others) << at;
        }
    }
    for (const qsizetype at : wordStarts + others) {
        const QString marked = QString(text).insert(at, QLatin1Char('&'));
        const QKeySequence mnemonic = QKeySequence::mnemonic(marked);
        if (!taken.contains(mnemonic)) {
            label->setText(marked);
            taken << mnemonic;
            return;
        }
    }
}
