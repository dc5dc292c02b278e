#include "Views/Preferences/PreferenceViews/Resolution/KLResolutionSelectionWindowController.h"

#include "Views/Utils/KLFixedSizeWindow.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

int positiveWhole(const QString &text) {
    bool whole = false;
    const int value = text.trimmed().toInt(&whole);
    return whole && value > 0 ? value : 0;
}

} // namespace

KLResolutionSelectionWindowController::KLResolutionSelectionWindowController(const QSizeF &size,
                                                                             QWidget *parent)
    : QDialog(parent), m_width(new QLineEdit(this)), m_height(new QLineEdit(this)),
      m_buttons(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this)) {
    setWindowTitle(tr("Custom Size"));
    setWindowModality(Qt::WindowModal);
    setAttribute(Qt::WA_DeleteOnClose);
    m_width->setText(QString::asprintf("%.0f", size.width()));
    m_height->setText(QString::asprintf("%.0f", size.height()));
    m_width->setAccessibleName(tr("Width"));
    m_height->setAccessibleName(tr("Height"));
    auto *layout = new QVBoxLayout(this);
    auto *form = new QFormLayout;
    layout->addLayout(form);
    form->addRow(tr("Width:"), m_width);
    form->addRow(tr("Height:"), m_height);
    layout->addWidget(m_buttons);
    KLFixedSizeWindow::apply(this, layout);
    for (QLineEdit *field : {m_width, m_height}) {
        connect(field, &QLineEdit::textChanged, this, &KLResolutionSelectionWindowController::updateOk);
    }
    connect(m_buttons, &QDialogButtonBox::accepted, this, [this] {
        Q_EMIT chosen(chosenSize());
        accept();
    });
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    updateOk();
}

bool KLResolutionSelectionWindowController::acceptable() const {
    return positiveWhole(m_width->text()) > 0 && positiveWhole(m_height->text()) > 0;
}

QSizeF KLResolutionSelectionWindowController::chosenSize() const {
    return QSizeF(positiveWhole(m_width->text()), positiveWhole(m_height->text()));
}

void KLResolutionSelectionWindowController::updateOk() {
    m_buttons->button(QDialogButtonBox::Ok)->setEnabled(acceptable());
}
