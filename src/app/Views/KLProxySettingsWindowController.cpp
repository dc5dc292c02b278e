#include "Views/KLProxySettingsWindowController.h"

#include "Model/Preferences/KLDefaultPreferences.h"
#include "Views/Utils/KLFixedSizeWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QSignalBlocker>
#include <QStyle>
#include <QVBoxLayout>

#include <utility>

namespace {

// Room for a host name, and for the five digits of a port with one to spare.
constexpr int hostFieldCharacters = 26;
constexpr int portFieldDigits = 6;

// What a field holds is pasted into the proxy's address between separators ("http://user@host:port"): a host
// holds none of them, a port is a number from 1 to 65535 without a leading zero. Blanks around a value are
// trimmed when it is stored. A keystroke that would make anything else is refused, so the field never
// shows a value that was not stored.
const QRegularExpression hostPattern(QStringLiteral("\\s*[^\\s/:@?#%\\\\\\[\\]]*\\s*"));
const QRegularExpression portPattern(QStringLiteral(
    "\\s*([1-9][0-9]{0,3}|[1-5][0-9]{4}|6[0-4][0-9]{3}|65[0-4][0-9]{2}|655[0-2][0-9]|6553[0-5])?\\s*"));

QLabel *labelFor(const QString &text, QWidget *buddy) {
    auto *label = new QLabel(text);
    label->setBuddy(buddy);
    return label;
}

int widthOfCharacters(const QWidget *widget, int characters) {
    return widget->fontMetrics().averageCharWidth() * characters;
}

// A line edit just wide enough for the digits, its frame and its inner margins.
int widthForDigits(const QLineEdit *field, int digits) {
    const int frame = field->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, field);
    const QMargins margins = field->textMargins();
    return field->fontMetrics().horizontalAdvance(QString(digits, QLatin1Char('0'))) + 2 * frame +
           margins.left() + margins.right() + 8;
}

} // namespace

KLProxySettingsWindowController::KLProxySettingsWindowController(
    std::shared_ptr<KLDefaultPreferences> preferences, QWidget *parent)
    : QDialog(parent), m_preferences(std::move(preferences)) {
    setWindowTitle(tr("Proxy Settings"));
    setModal(false);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    // Return in a field finishes the edit; it must not close the window as a default button would.
    buttons->button(QDialogButtonBox::Close)->setAutoDefault(false);
    buttons->button(QDialogButtonBox::Close)->setAccessibleName(tr("Close"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 12);
    layout->setSpacing(12);
    layout->addWidget(makeDownloadGroup());
    layout->addWidget(makeUpdateGroup());
    layout->addWidget(buttons);
    // The window keeps the size its contents ask for, at any screen scale.
    KLFixedSizeWindow::apply(this, layout);
    setUpTabOrder();
    showPreferences();
}

KLProxySettingsWindowController::~KLProxySettingsWindowController() {
    // The base class closes an open window after this destructor: a field that loses the focus then would
    // call into this part of the object, already gone.
    for (const QObject *child : findChildren<QObject *>()) {
        disconnect(child, nullptr, this, nullptr);
    }
}

QGroupBox *KLProxySettingsWindowController::makeDownloadGroup() {
    using D = KLDefaultPreferences;
    auto *group = new QGroupBox(tr("Downloads"));
    m_useProxyCheckBox = makeCheckBox(tr("&Use a proxy for downloads"), &D::setUseProxy);
    m_protocolPopUp = new QComboBox;
    m_protocolPopUp->addItems(protocols);
    m_protocolPopUp->setAccessibleName(tr("Proxy protocol"));
    m_protocolPopUp->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(m_protocolPopUp, &QComboBox::currentIndexChanged, this,
            &KLProxySettingsWindowController::protocolChosen);
    m_proxyHostField = makeHostField(tr("Proxy host"), &D::proxyHost, &D::setProxyHost, m_useProxyCheckBox);
    m_proxyPortField = makePortField(tr("Proxy port"), &D::proxyPort, &D::setProxyPort, m_useProxyCheckBox);
    m_proxyUsernameField =
        makeTextField(tr("Proxy user name"), &D::proxyUsername, &D::setProxyUsername, m_useProxyCheckBox);
    m_proxyPasswordField =
        makeTextField(tr("Proxy password"), &D::proxyPassword, &D::setProxyPassword, m_useProxyCheckBox);
    m_proxyPasswordField->setEchoMode(QLineEdit::Password);

    auto *form = new QFormLayout(group);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    form->addRow(m_useProxyCheckBox);
    form->addRow(labelFor(tr("P&rotocol:"), m_protocolPopUp), m_protocolPopUp);
    addHostAndPortRow(form, tr("&Host:"), m_proxyHostField, tr("P&ort:"), m_proxyPortField);
    form->addRow(labelFor(tr("User &name:"), m_proxyUsernameField), m_proxyUsernameField);
    form->addRow(labelFor(tr("Pass&word:"), m_proxyPasswordField), m_proxyPasswordField);
    return group;
}

QGroupBox *KLProxySettingsWindowController::makeUpdateGroup() {
    using D = KLDefaultPreferences;
    auto *group = new QGroupBox(tr("Downloader updates"));
    m_useUpdateProxyCheckBox = makeCheckBox(tr("Use a proxy for downloader up&dates"), &D::setUseUpdateProxy);
    m_updateProxyHostField = makeHostField(tr("Update proxy host"), &D::updateProxyHost,
                                           &D::setUpdateProxyHost, m_useUpdateProxyCheckBox);
    m_updateProxyPortField = makePortField(tr("Update proxy port"), &D::updateProxyPort,
                                           &D::setUpdateProxyPort, m_useUpdateProxyCheckBox);
    m_updateProxyUsernameField = makeTextField(tr("Update proxy user name"), &D::updateProxyUsername,
                                               &D::setUpdateProxyUsername, m_useUpdateProxyCheckBox);
    m_updateProxyPasswordField = makeTextField(tr("Update proxy password"), &D::updateProxyPassword,
                                               &D::setUpdateProxyPassword, m_useUpdateProxyCheckBox);
    m_updateProxyPasswordField->setEchoMode(QLineEdit::Password);

    auto *form = new QFormLayout(group);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    form->addRow(m_useUpdateProxyCheckBox);
    addHostAndPortRow(form, tr("Ho&st:"), m_updateProxyHostField, tr("Por&t:"), m_updateProxyPortField);
    form->addRow(labelFor(tr("Us&er name:"), m_updateProxyUsernameField), m_updateProxyUsernameField);
    form->addRow(labelFor(tr("P&assword:"), m_updateProxyPasswordField), m_updateProxyPasswordField);
    return group;
}

QCheckBox *KLProxySettingsWindowController::makeCheckBox(const QString &text,
                                                         void (KLDefaultPreferences::*set)(bool)) {
    auto *checkBox = new QCheckBox(text);
    checkBox->setAccessibleName(QString(text).remove(QLatin1Char('&')));
    connect(checkBox, &QCheckBox::toggled, this, [this, set](bool checked) {
        (m_preferences.get()->*set)(checked);
        showPreferences();
    });
    return checkBox;
}

QLineEdit *KLProxySettingsWindowController::makeTextField(const QString &accessibleName, Getter get,
                                                          Setter set, QCheckBox *enabler) {
    auto *field = new QLineEdit;
    field->setAccessibleName(accessibleName);
    // Stored at every keystroke, so that a window closed in the middle of an edit keeps it. White space
    // around a pasted value would end up inside the proxy's address.
    // A value its validator does not accept (an older stored one, being edited) is never stored.
    connect(field, &QLineEdit::textEdited, this, [this, field, set](const QString &text) {
        if (field->hasAcceptableInput()) {
            (m_preferences.get()->*set)(text.trimmed());
        }
    });
    connect(field, &QLineEdit::editingFinished, this, [this, field, get] {
        const QString stored = (m_preferences.get()->*get)();
        if (field->text() != stored) {
            field->setText(stored);
        }
    });
    m_textBindings.push_back({field, get, enabler});
    return field;
}

QLineEdit *KLProxySettingsWindowController::makeHostField(const QString &accessibleName, Getter get,
                                                          Setter set, QCheckBox *enabler) {
    QLineEdit *field = makeTextField(accessibleName, get, set, enabler);
    field->setValidator(new QRegularExpressionValidator(hostPattern, field));
    return field;
}

QLineEdit *KLProxySettingsWindowController::makePortField(const QString &accessibleName, Getter get,
                                                          Setter set, QCheckBox *enabler) {
    QLineEdit *field = makeTextField(accessibleName, get, set, enabler);
    field->setValidator(new QRegularExpressionValidator(portPattern, field));
    field->setFixedWidth(widthForDigits(field, portFieldDigits));
    return field;
}

void KLProxySettingsWindowController::addHostAndPortRow(QFormLayout *form, const QString &hostLabel,
                                                        QLineEdit *host, const QString &portLabel,
                                                        QLineEdit *port) {
    host->setMinimumWidth(widthOfCharacters(host, hostFieldCharacters));
    auto *row = new QHBoxLayout;
    row->addWidget(host, 1);
    row->addWidget(labelFor(portLabel, port));
    row->addWidget(port);
    form->addRow(labelFor(hostLabel, host), row);
}

void KLProxySettingsWindowController::setUpTabOrder() {
    const QList<QWidget *> order = {
        m_useProxyCheckBox,         m_protocolPopUp,           m_proxyHostField,
        m_proxyPortField,           m_proxyUsernameField,      m_proxyPasswordField,
        m_useUpdateProxyCheckBox,   m_updateProxyHostField,    m_updateProxyPortField,
        m_updateProxyUsernameField, m_updateProxyPasswordField};
    for (qsizetype index = 1; index < order.size(); ++index) {
        setTabOrder(order.at(index - 1), order.at(index));
    }
}

void KLProxySettingsWindowController::showPreferences() {
    const bool useProxy = m_preferences->useProxy();
    {
        const QSignalBlocker blockUseProxy(m_useProxyCheckBox);
        const QSignalBlocker blockUseUpdateProxy(m_useUpdateProxyCheckBox);
        const QSignalBlocker blockProtocol(m_protocolPopUp);
        m_useProxyCheckBox->setChecked(useProxy);
        m_useUpdateProxyCheckBox->setChecked(m_preferences->useUpdateProxy());
        m_protocolPopUp->setCurrentIndex(
            m_protocolPopUp->findText(m_preferences->proxyProtocol(), Qt::MatchFixedString));
    }
    m_protocolPopUp->setEnabled(useProxy);
    for (const TextBinding &binding : m_textBindings) {
        binding.field->setText((m_preferences.get()->*binding.get)());
        binding.field->setCursorPosition(0); // a long host shows its beginning
        binding.field->setEnabled(binding.enabler->isChecked());
    }
}

void KLProxySettingsWindowController::protocolChosen(int index) {
    if (index >= 0) {
        m_preferences->setProxyProtocol(m_protocolPopUp->itemText(index));
    }
}

void KLProxySettingsWindowController::showEvent(QShowEvent *event) {
    showPreferences(); // the preferences may have changed while the window was closed
    QDialog::showEvent(event);
}
