#include "Views/Preferences/PreferenceViews/Codecs/Bitrate/KLBitrateSelectionWindowController.h"

#include "Model/Preferences/KLPreferences.h"
#include "Views/Utils/KLFixedSizeWindow.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

KLBitrateSelectionWindowController::KLBitrateSelectionWindowController(uint64_t initial, QWidget *parent)
    : QDialog(parent), m_number(new QLineEdit(this)), m_units(new QComboBox(this)),
      m_buttons(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this)) {
    setWindowTitle(tr("Custom Bitrate"));
    setWindowModality(Qt::WindowModal);
    setAttribute(Qt::WA_DeleteOnClose);
    m_units->addItems({QStringLiteral("bps"), QStringLiteral("kbps"), QStringLiteral("mbps")});
    m_number->setText(KLPreferences::bitrateToUnitsString(initial));
    m_units->setCurrentText(KLPreferences::bitrateToUnits(initial));
    m_number->setAccessibleName(tr("Bitrate"));
    m_units->setAccessibleName(tr("Units"));
    auto *layout = new QVBoxLayout(this);
    auto *form = new QFormLayout;
    layout->addLayout(form);
    form->addRow(tr("Bitrate:"), m_number);
    form->addRow(tr("Units:"), m_units);
    layout->addWidget(m_buttons);
    KLFixedSizeWindow::apply(this, layout);
    connect(m_number, &QLineEdit::textChanged, this, &KLBitrateSelectionWindowController::updateOk);
    connect(m_buttons, &QDialogButtonBox::accepted, this, [this] {
        Q_EMIT chosen(bitrate());
        accept();
    });
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    updateOk();
}

bool KLBitrateSelectionWindowController::acceptable() const {
    bool number = false;
    const qlonglong value = m_number->text().trimmed().toLongLong(&number);
    return number && value > 1;
}

uint64_t KLBitrateSelectionWindowController::bitrate() const {
    return KLPreferences::stringsToBitrate(m_number->text().trimmed(), m_units->currentText());
}

void KLBitrateSelectionWindowController::updateOk() {
    m_buttons->button(QDialogButtonBox::Ok)->setEnabled(acceptable());
}
