#include "Views/Passwords/KLPasswordManagerWindowController.h"

#include "Model/KLTask/YTDL/KLYTDLExtractorDescription.h"
#include "Model/Passwords/KLPasswordManager.h"
#include "Model/Preferences/KLDefaultPreferences.h"
#include "Utils/KLServices.h"
#include "Views/Utils/KLFixedSizeWindow.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QCompleter>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <optional>
#include <utility>

namespace {

// Wide enough for most site names without letting the longest of them stretch the window.
constexpr int comboBoxContentsLength = 30;

QLabel *labelFor(const QString &text, QWidget *buddy) {
    auto *label = new QLabel(text);
    label->setBuddy(buddy);
    return label;
}

// The label columns of the groups share one width, so that their fields line up.
void alignLabelColumns(const QList<QGroupBox *> &groups) {
    QList<QWidget *> labels;
    int widest = 0;
    for (const QGroupBox *group : groups) {
        const auto *form = qobject_cast<const QFormLayout *>(group->layout());
        for (int row = 0; row < form->rowCount(); ++row) {
            const QLayoutItem *item = form->itemAt(row, QFormLayout::LabelRole);
            if (item != nullptr && item->widget() != nullptr) {
                labels.append(item->widget());
                widest = std::max(widest, item->widget()->sizeHint().width());
            }
        }
    }
    for (QWidget *label : std::as_const(labels)) {
        label->setMinimumWidth(widest);
    }
}

// A line of explanation under a group's fields, in the palette's quieter text colour.
QLabel *noteLabel(const QString &text) {
    auto *label = new QLabel(text);
    label->setWordWrap(true);
    label->setForegroundRole(QPalette::PlaceholderText);
    return label;
}

// An editable box keeps whatever was typed, but the choice must be an item or nothing, so that the box
// never names one site while the fields belong to another: the typed text chooses the item it names
// (ignoring case), and text that names none clears the choice.
void chooseTypedItem(QComboBox *box) {
    const QCompleter *completer = box->completer();
    if (completer != nullptr && completer->popup()->isVisible() &&
        completer->popup()->currentIndex().isValid()) {
        return; // the completion the user is picking chooses the item as it closes
    }
    const QString typed = box->currentText();
    const int current = box->currentIndex();
    if (current >= 0 && box->itemText(current).compare(typed, Qt::CaseInsensitive) == 0) {
        box->setEditText(box->itemText(current));
        return;
    }
    const int named = typed.isEmpty() ? -1 : box->findText(typed, Qt::MatchFixedString);
    box->setCurrentIndex(named);
    if (named < 0) {
        box->clearEditText();
    }
}

// A box the user can type into to find an item among hundreds: any part of a name, in any case.
void makeSearchable(QComboBox *box, const QString &placeholder) {
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setMaxVisibleItems(15);
    box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    box->setMinimumContentsLength(comboBoxContentsLength);
    box->lineEdit()->setPlaceholderText(placeholder);
    QCompleter *completer = box->completer();
    completer->setCompletionMode(QCompleter::PopupCompletion);
    completer->setFilterMode(Qt::MatchContains);
    completer->setCaseSensitivity(Qt::CaseInsensitive);
    QObject::connect(box->lineEdit(), &QLineEdit::editingFinished, box, [box] { chooseTypedItem(box); });
}

void nameComboBox(QComboBox *box, const QString &name) {
    box->setAccessibleName(name);
    box->lineEdit()->setAccessibleName(name);
}

} // namespace

KLPasswordManagerWindowController::KLPasswordManagerWindowController(
    std::shared_ptr<KLPasswordManager> passwordManager, std::shared_ptr<KLDefaultPreferences> preferences,
    QWidget *parent)
    : QDialog(parent), m_passwordManager(std::move(passwordManager)), m_preferences(std::move(preferences)) {
    setWindowTitle(tr("Site Logins"));
    setModal(false);
    m_saveFailureLabel = new QLabel(
        tr("The logins could not be saved in %1.")
            .arg(m_passwordManager != nullptr ? m_passwordManager->netrcPath() : QStringLiteral("~/.netrc")));
    m_saveFailureLabel->setWordWrap(true);
    QFont emphasis = m_saveFailureLabel->font();
    emphasis.setBold(true);
    m_saveFailureLabel->setFont(emphasis);
    m_saveFailureLabel->setHidden(true);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    // Return in a field finishes the edit; it must not close the window as a default button would.
    buttons->button(QDialogButtonBox::Close)->setAutoDefault(false);
    buttons->button(QDialogButtonBox::Close)->setAccessibleName(tr("Close"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 12);
    layout->setSpacing(12);
    QGroupBox *logins = makeLoginGroup();
    QGroupBox *provider = makeProviderGroup();
    alignLabelColumns({logins, provider});
    layout->addWidget(logins);
    layout->addWidget(provider);
    layout->addWidget(m_saveFailureLabel);
    layout->addWidget(buttons);
    // The window follows its contents (a wrapped note, the save failure) rather than squeezing them.
    KLFixedSizeWindow::apply(this, layout);
    setUpTabOrder();

    loadExtractors();
    loadProviders();
    connect(m_extractorComboBox, &QComboBox::currentIndexChanged, this,
            &KLPasswordManagerWindowController::extractorChosen);
    connect(m_providerComboBox, &QComboBox::currentIndexChanged, this,
            &KLPasswordManagerWindowController::providerChosen);
    connect(m_loginField, &QLineEdit::editingFinished, this,
            &KLPasswordManagerWindowController::updateExtractor);
    connect(m_passwordField, &QLineEdit::editingFinished, this,
            &KLPasswordManagerWindowController::updateExtractor);
}

KLPasswordManagerWindowController::~KLPasswordManagerWindowController() {
    if (isVisible()) {
        updateExtractor(); // destroyed while open, as at the program's end: no hide event will come
    }
    // The base class closes an open window after this destructor: a field that loses the focus then would
    // call into this part of the object, already gone.
    for (const QObject *child : findChildren<QObject *>()) {
        disconnect(child, nullptr, this, nullptr);
    }
}

QGroupBox *KLPasswordManagerWindowController::makeLoginGroup() {
    auto *group = new QGroupBox(tr("Site login"));
    m_extractorComboBox = new QComboBox;
    makeSearchable(m_extractorComboBox, tr("Type a site name"));
    nameComboBox(m_extractorComboBox, tr("Site"));
    m_loginField = new QLineEdit;
    m_loginField->setAccessibleName(tr("Login"));
    m_passwordField = new QLineEdit;
    m_passwordField->setEchoMode(QLineEdit::Password);
    m_passwordField->setAccessibleName(tr("Password"));

    auto *form = new QFormLayout(group);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    form->addRow(labelFor(tr("&Site:"), m_extractorComboBox), m_extractorComboBox);
    form->addRow(labelFor(tr("&Login:"), m_loginField), m_loginField);
    form->addRow(labelFor(tr("&Password:"), m_passwordField), m_passwordField);
    form->addRow(noteLabel(tr("Saved in ~/.netrc, readable by you only, where the downloader looks for them. "
                              "Clearing the login or the password removes both.")));
    return group;
}

QGroupBox *KLPasswordManagerWindowController::makeProviderGroup() {
    auto *group = new QGroupBox(tr("TV provider"));
    m_providerComboBox = new QComboBox;
    makeSearchable(m_providerComboBox, tr("None"));
    nameComboBox(m_providerComboBox, tr("TV provider"));

    auto *form = new QFormLayout(group);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    form->addRow(labelFor(tr("P&rovider:"), m_providerComboBox), m_providerComboBox);
    form->addRow(noteLabel(tr("The account the downloader signs in with on sites that ask for a TV "
                              "subscription.")));
    return group;
}

void KLPasswordManagerWindowController::setUpTabOrder() {
    setTabOrder(m_extractorComboBox, m_loginField);
    setTabOrder(m_loginField, m_passwordField);
    setTabOrder(m_passwordField, m_providerComboBox);
}

void KLPasswordManagerWindowController::loadExtractors() {
    m_lastExtractorIndex = -1;
    if (m_passwordManager != nullptr) {
        m_descriptions = m_passwordManager->listExtractorDescriptions();
    }
    QStringList names;
    names.reserve(m_descriptions.size());
    for (const auto &description : std::as_const(m_descriptions)) {
        names.append(description->name().toLower());
    }
    m_extractorComboBox->addItems(names);
    // Adding items chooses the first; the fields belong to no site until the user picks one.
    m_extractorComboBox->setCurrentIndex(-1);
    setupExtractor();
}

void KLPasswordManagerWindowController::loadProviders() {
    const KLPasswordManager::ProviderDictionary providers = m_passwordManager != nullptr
                                                                ? m_passwordManager->getProviderDictionary()
                                                                : KLPasswordManager::ProviderDictionary();
    QStringList names = providers.keys();
    std::sort(names.begin(), names.end()); // plain, case-sensitive order, whatever the dictionary keeps
    const QString chosenId = m_preferences != nullptr ? m_preferences->provider() : QString();
    int chosen = -1;
    for (const QString &name : std::as_const(names)) {
        const QString identifier = providers.value(name);
        if (chosen < 0 && !chosenId.isEmpty() && identifier == chosenId) {
            chosen = m_providerComboBox->count();
        }
        m_providerComboBox->addItem(name, identifier);
    }
    m_providerComboBox->setCurrentIndex(chosen);
}

void KLPasswordManagerWindowController::extractorChosen(int index) {
    const bool valid = descriptionAt(index) != nullptr;
    if (!valid) {
        m_extractorComboBox->clearEditText();
    }
    updateExtractor();
    m_lastExtractorIndex = valid ? index : -1;
    setupExtractor();
}

void KLPasswordManagerWindowController::setupExtractor() {
    m_loginField->clear();
    m_passwordField->clear();
    const auto description = descriptionAt(m_lastExtractorIndex);
    // Credentials typed while no site is chosen would belong to none and be lost.
    m_loginField->setEnabled(description != nullptr);
    m_passwordField->setEnabled(description != nullptr);
    if (description == nullptr) {
        return;
    }
    m_loginField->setText(description->login().value_or(QString()));
    m_passwordField->setText(description->password().value_or(QString()));
}

void KLPasswordManagerWindowController::updateExtractor() {
    const auto description = descriptionAt(m_lastExtractorIndex);
    if (description == nullptr) {
        return;
    }
    std::optional<QString> login;
    std::optional<QString> password;
    // The file holds a site's line only with both values, so one without the other is stored as neither.
    if (!m_loginField->text().isEmpty() && !m_passwordField->text().isEmpty()) {
        login = m_loginField->text();
        password = m_passwordField->text();
    }
    description->setLogin(login);
    description->setPassword(password);
    showSaveResult(m_passwordManager->saveExtractorDescriptions());
}

std::shared_ptr<KLYTDLExtractorDescription>
KLPasswordManagerWindowController::descriptionAt(int index) const {
    // By position, not by name: two records can share a name (two lines of one site in the file) or differ
    // only in case, and a lookup by name would always find the first of them.
    return index >= 0 && index < m_descriptions.size() ? m_descriptions.at(index) : nullptr;
}

void KLPasswordManagerWindowController::providerChosen(int index) {
    const bool valid = index >= 0 && index < m_providerComboBox->count();
    if (!valid) {
        m_providerComboBox->clearEditText();
    }
    if (m_preferences != nullptr) {
        m_preferences->setProvider(valid ? m_providerComboBox->itemData(index).toString() : QString());
    }
}

void KLPasswordManagerWindowController::showSaveResult(bool saved) {
    m_saveFailureLabel->setHidden(saved);
}

void KLPasswordManagerWindowController::hideEvent(QHideEvent *event) {
    // Closing the window does not always finish the edit of the focused field first.
    updateExtractor();
    QDialog::hideEvent(event);
}
