#include "Views/Table/KLEntryViewController.h"

#include "App/KLApplicationUI.h"
#include "App/KLEntryRow.h"
#include "App/KLEntryTableController.h"
#include "Desktop/KLFileRevealer.h"
#include "Model/KLEntry/KLEntry.h"
#include "Model/KLTask/KLError.h"
#include "Model/Preferences/KLDefaultPreferences.h"
#include "Utils/KLServices.h"
#include "Views/Other/KLHoverButton.h"
#include "Views/Other/KLProgressIndicator.h"
#include "Views/Popovers/KLInformationPopoverController.h"
#include "Views/Popovers/KLPopover.h"
#include "Views/Table/KLTitleTextField.h"
#include "Views/Utils/KLArtwork.h"

#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>

#include <algorithm>
#include <cmath>

namespace {

constexpr int margin = 14;
const QRect thumbnailFrame(margin, 14, 112, 63);
constexpr int textLeft = 138;
constexpr int ringSide = 48;
constexpr int mainButtonSide = 28;

QString withoutDots(QString text) {
    return text.remove(QLatin1Char('.'));
}

QLabel *label(QWidget *parent, int pointSizeDelta) {
    auto *created = new QLabel(parent);
    QFont font = created->font();
    font.setPointSizeF(font.pointSizeF() + pointSizeDelta);
    created->setFont(font);
    created->setTextFormat(Qt::PlainText);
    return created;
}

KLHoverButton *button(QWidget *parent, const QString &tip, int side) {
    auto *created = new KLHoverButton(parent);
    // The queue is one stop of the window's tab order; its rows' actions are keys and a menu there.
    created->setFocusPolicy(Qt::NoFocus);
    created->setToolTip(tip);
    created->setIconSize(QSize(side, side));
    created->setFixedSize(side + 4, side + 4);
    return created;
}

} // namespace

KLEntryViewController::Look KLEntryViewController::lookFor(const KLEntry &entry) {
    if (entry.error() != nullptr) {
        // A run that could not place its file may have kept it elsewhere: the user can still find it.
        const bool kept = !entry.outputFile().isEmpty() && QFileInfo::exists(entry.outputFile());
        return {QStringLiteral("icon-redownload@2x.png"), true, kept, true, false};
    }
    if (entry.completed()) {
        return {QStringLiteral("icon-redownload@2x.png"), true, true, true, false};
    }
    if (entry.processing()) {
        return {QStringLiteral("icon-cancel@2x.png"), false, false, false, true};
    }
    return {QStringLiteral("icon-download@2x.png"), true, false, true, false};
}

KLEntryViewController::KLEntryViewController(std::shared_ptr<KLEntry> entry,
                                             std::weak_ptr<KLEntryTableController> table, bool dark,
                                             QWidget *parent)
    : QWidget(parent), m_entry(std::move(entry)), m_table(std::move(table)), m_theme(dark) {
    setFixedHeight(rowHeight);
    buildControls();
    updateTheme(dark);
    apply();
    m_labelTimer.setInterval(dotsMilliseconds);
    connect(&m_labelTimer, &QTimer::timeout, this, &KLEntryViewController::updateDots);
    m_labelTimer.start();
}

KLEntryViewController::~KLEntryViewController() = default;

void KLEntryViewController::buildControls() {
    m_thumbnailImageView = new QLabel(this);
    m_titleTextField = new KLTitleTextField(this);
    m_titleTextField->setFocusPolicy(Qt::ClickFocus);
    m_titleTextField->setFrame(false);
    QFont bold = m_titleTextField->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() + 1);
    m_titleTextField->setFont(bold);
    m_originalURLTextField = label(this, -1);
    m_stateTextField = label(this, 0);
    m_etaTextField = label(this, -1);
    m_circularProgressIndicator = new KLProgressIndicator(this);
    m_downloadButton = button(this, QString(), mainButtonSide);
    m_informationButton = button(this, tr("Info"), 16);
    m_pauseButton = button(this, tr("Pause"), 16);
    m_revealButton = button(this, tr("Show in Files"), 16);
    m_removeButton = button(this, tr("Delete"), 16);
    // What a press does, for the screen reader's users; the tooltips stay short.
    m_informationButton->setAccessibleName(tr("Show information"));
    m_pauseButton->setAccessibleName(tr("Pause"));
    m_revealButton->setAccessibleName(tr("Show in folder"));
    m_removeButton->setAccessibleName(tr("Remove from queue"));
    m_titleTextField->setAccessibleName(tr("Title"));
    m_thumbnailImageView->setAccessibleName(tr("Thumbnail"));
    connect(m_downloadButton, &QToolButton::clicked, this, &KLEntryViewController::onProcess);
    connect(m_removeButton, &QToolButton::clicked, this, &KLEntryViewController::onRemove);
    connect(m_pauseButton, &QToolButton::clicked, this, &KLEntryViewController::onPause);
    connect(m_revealButton, &QToolButton::clicked, this, &KLEntryViewController::onReveal);
    connect(m_informationButton, &QToolButton::clicked, this, &KLEntryViewController::onDisplayInformation);
    connect(m_titleTextField, &QLineEdit::editingFinished, this, &KLEntryViewController::onTitle);
    placeControls();
}

void KLEntryViewController::placeControls() {
    // Title and source beside the thumbnail, the tools under them; the state and the time to go under the
    // thumbnail, as wide as the row allows; the progress ring with the main button at the bottom right.
    const int textWidth = std::max(40, width() - textLeft - margin);
    const int ringLeft = width() - margin - ringSide;
    const int ringTop = rowHeight - ringSide - 14;
    m_thumbnailImageView->setGeometry(thumbnailFrame);
    m_titleTextField->setGeometry(textLeft - 2, 10, textWidth + 2, 24);
    m_originalURLTextField->setGeometry(textLeft, 34, textWidth, 16);
    m_stateTextField->setGeometry(margin, 86, ringLeft - margin - 8, 18);
    m_etaTextField->setGeometry(margin, 104, ringLeft - margin - 8, 16);
    m_circularProgressIndicator->setGeometry(ringLeft, ringTop, ringSide, ringSide);
    const QSize mainSize = m_downloadButton->size();
    m_downloadButton->move(ringLeft + (ringSide - mainSize.width()) / 2,
                           ringTop + (ringSide - mainSize.height()) / 2);
    placeTools();
}

void KLEntryViewController::placeTools() {
    int left = textLeft - 3;
    for (KLHoverButton *tool : {m_informationButton, m_pauseButton, m_revealButton, m_removeButton}) {
        if (tool->isVisibleTo(this)) {
            tool->move(left, 56);
            left += tool->width() + 6;
        }
    }
}

void KLEntryViewController::updateTheme(bool dark) {
    m_theme = KLTheme(dark);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, m_theme.rowBackground());
    palette.setColor(QPalette::Base, m_theme.rowBackground());
    palette.setColor(QPalette::WindowText, m_theme.primaryText());
    palette.setColor(QPalette::Text, m_theme.primaryText());
    setPalette(palette);
    for (QLabel *secondary : {m_originalURLTextField, m_etaTextField}) {
        QPalette grey = secondary->palette();
        grey.setColor(QPalette::WindowText, m_theme.secondaryText());
        secondary->setPalette(grey);
    }
    setToolImages();
    update();
}

void KLEntryViewController::setToolImages() {
    m_informationButton->setDefaultImage(KLArtwork::icon(m_theme.toolImage(QStringLiteral("icon-info"))));
    m_pauseButton->setDefaultImage(KLArtwork::icon(m_theme.toolImage(QStringLiteral("icon-pause"))));
    m_revealButton->setDefaultImage(KLArtwork::icon(m_theme.toolImage(QStringLiteral("icon-reveal"))));
    m_removeButton->setDefaultImage(KLArtwork::icon(m_theme.toolImage(QStringLiteral("icon-remove"))));
}

void KLEntryViewController::apply() {
    const QString sourceText = KLApplicationUI::addressForDisplay(m_entry->originalURL());
    m_originalURLTextField->setToolTip(sourceText);
    m_originalURLTextField->setText(m_originalURLTextField->fontMetrics().elidedText(
        sourceText, Qt::ElideMiddle, m_originalURLTextField->width()));
    // The user may be typing a new title; the entry's own one returns when editing ends.
    if (!m_titleTextField->hasFocus()) {
        const QString title = m_entry->title();
        m_titleTextField->setTitle(title.isNull() ? KLEntry::unknownTitle : title);
    }
    showState(m_entry->state());
    showCause();
    showThumbnail(m_entry->representativeImage());
    const Look look = lookFor(*m_entry);
    if (look.mainImage != m_mainImage) {
        m_mainImage = look.mainImage;
        m_downloadButton->setDefaultImage(KLArtwork::icon(m_mainImage));
    }
    // Named for what a press does, for the keyboard's and the screen reader's users as for the mouse's.
    const QString action = m_entry->processing() ? tr("Cancel")
                           : m_entry->paused()   ? tr("Resume")
                                                 : tr("Start");
    m_downloadButton->setAccessibleName(action);
    m_downloadButton->setToolTip(action);
    announce();
    m_removeButton->setVisible(look.removeShown);
    m_revealButton->setVisible(look.revealShown);
    m_pauseButton->setVisible(m_entry->pausable());
    placeTools();
    m_titleTextField->setReadOnly(!look.titleEditable);
    m_etaTextField->setVisible(look.etaShown);
    m_etaTextField->setText(look.etaShown ? m_entry->eta() : QString());
    showProgress();
}

void KLEntryViewController::announce() {
    // The row is read as one line: "Landscape test clip, Downloading, 40 %"; a reader hears it change.
    QString line = m_entry->title().isEmpty() ? KLEntry::unknownTitle : m_entry->title();
    line += QStringLiteral(", ") + QString(m_entry->state()).remove(QLatin1Char('.'));
    const double factor = m_entry->completionFactor();
    if (m_entry->processing() && factor >= 0.0) {
        line += QStringLiteral(", %1 %").arg(std::lround(factor * 100.0));
    }
    if (const std::shared_ptr<KLError> failure = m_entry->error()) {
        line += QStringLiteral(": ") + failure->errorDescription();
    }
    if (line != accessibleName()) {
        setAccessibleName(line);
    }
}

void KLEntryViewController::showState(const QString &state) {
    // A repeated state (progress reports repeat the task's description) must not restart the dots.
    if (withoutDots(state) != withoutDots(m_stateTextField->text())) {
        m_stateTextField->setText(state);
    }
}

void KLEntryViewController::showCause() {
    // A failed row says why wherever the pointer rests on it; the title and the tools keep their own tips.
    const std::shared_ptr<KLError> error = m_entry->error();
    const QString cause = error != nullptr ? error->errorDescription() : QString();
    m_stateTextField->setToolTip(cause);
    setToolTip(cause);
}

void KLEntryViewController::showThumbnail(const QImage &image) {
    const qreal ratio = devicePixelRatioF();
    QPixmap rounded(thumbnailFrame.size() * ratio);
    rounded.setDevicePixelRatio(ratio);
    rounded.fill(Qt::transparent);
    QPainter painter(&rounded);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    QPainterPath clip;
    clip.addRoundedRect(QRectF(QPointF(0, 0), QSizeF(thumbnailFrame.size())), 6.0, 6.0);
    painter.setClipPath(clip);
    painter.fillRect(QRect(QPoint(0, 0), thumbnailFrame.size()), Qt::black);
    if (!image.isNull()) {
        // Filled without distortion: the picture is cut where its shape differs from the frame's.
        const QSize filled = image.size().scaled(thumbnailFrame.size(), Qt::KeepAspectRatioByExpanding);
        const QRect target(QPoint((thumbnailFrame.width() - filled.width()) / 2,
                                  (thumbnailFrame.height() - filled.height()) / 2),
                           filled);
        painter.drawImage(target, image);
    }
    m_thumbnailImageView->setPixmap(rounded);
}

void KLEntryViewController::showProgress() {
    KLProgressIndicator *indicator = m_circularProgressIndicator;
    if (m_entry->error() != nullptr || (!m_entry->completed() && !m_entry->processing())) {
        indicator->setIndeterminate(false);
        indicator->setProgress(0.0);
        return;
    }
    if (m_entry->completed()) {
        indicator->setIndeterminate(false);
        indicator->setForegroundColor(m_theme.progress());
        indicator->setProgress(1.0);
        return;
    }
    const bool converting = m_entry->state().toLower().startsWith(QStringLiteral("converting"));
    indicator->setForegroundColor(converting ? KLTheme::accent : m_theme.progress());
    const double factor = m_entry->completionFactor();
    indicator->setIndeterminate(factor < 0.0);
    indicator->setProgress(factor < 0.0 ? 0.0 : factor);
}

void KLEntryViewController::updateDots() {
    const QString text = m_stateTextField->text();
    static const QStringList animated = {QStringLiteral("Downloading"), QStringLiteral("Converting"),
                                         QStringLiteral("Muxing")};
    if (std::none_of(animated.begin(), animated.end(),
                     [&text](const QString &start) { return text.startsWith(start); })) {
        return;
    }
    const int dots = (static_cast<int>(text.count(QLatin1Char('.'))) + 1) % 4;
    m_stateTextField->setText(withoutDots(text) + QString(dots, QLatin1Char('.')));
}

std::shared_ptr<KLEntryRow> KLEntryViewController::queueRow() const {
    const std::shared_ptr<KLEntryTableController> table = m_table.lock();
    return table != nullptr ? table->rowForEntry(m_entry) : nullptr;
}

void KLEntryViewController::onProcess() {
    if (const std::shared_ptr<KLEntryRow> row = queueRow()) {
        row->onProcess();
    }
}

void KLEntryViewController::onRemove() {
    if (const std::shared_ptr<KLEntryRow> row = queueRow()) {
        row->onRemove();
    }
}

void KLEntryViewController::onPause() {
    if (const std::shared_ptr<KLEntryRow> row = queueRow()) {
        row->onPause();
    }
}

void KLEntryViewController::onReveal() {
    const QString output = m_entry->outputFile();
    if (!output.isEmpty()) {
        KLFileRevealer::reveal(output);
    }
}

void KLEntryViewController::onTitle() {
    const QString typed = m_titleTextField->title();
    if (!m_titleTextField->isReadOnly() && typed != m_entry->title()) {
        m_entry->setTitle(typed);
    }
    m_titleTextField->setTitle(m_entry->title());
}

void KLEntryViewController::onDisplayInformation() {
    const std::shared_ptr<KLEntryTableController> table = m_table.lock();
    const auto preferences = table != nullptr ? KLServices::preferencesOf(table->services().get()) : nullptr;
    const KLSettingsLevel level =
        preferences != nullptr ? preferences->settingsLevel() : KLSettingsLevel::Beginner;
    auto *information = new KLInformationPopoverController();
    for (const KLInformationPopoverController::Line &line :
         KLInformationPopoverController::linesForEntry(*m_entry, level)) {
        information->addTitle(line.first, line.second);
    }
    auto *popover = new KLPopover(information, m_theme.dark(), this);
    popover->setWindowTitle(tr("Information")); // what a reader, or the window system, calls it
    popover->setAccessibleName(tr("Information"));
    popover->showRelativeTo(m_informationButton);
    // A tall popover (a long cause, a long title) stays on the screen even where neither side of the button
    // has room for all of it: its top edge then meets the screen's.
    if (const QScreen *screen = m_informationButton->screen()) {
        const QRect available = screen->availableGeometry();
        const QRect frame = popover->frameGeometry();
        const int top =
            std::max(available.top(), std::min(frame.top(), available.bottom() + 1 - frame.height()));
        popover->move(frame.left(), top);
    }
}

void KLEntryViewController::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    placeControls();
    apply(); // the source text is shortened to the new width
}

void KLEntryViewController::setCurrent(bool current) {
    if (current != m_current) {
        m_current = current;
        update();
    }
}

void KLEntryViewController::rename() {
    if (m_titleTextField->isReadOnly()) {
        return;
    }
    m_titleTextField->setFocus(Qt::ShortcutFocusReason);
    m_titleTextField->selectAll();
}

void KLEntryViewController::showActionsMenu(const QPoint &globalPosition) {
    // What the row's buttons do, with their names, for the keyboard (the menu key) and the right button.
    QMenu menu(this);
    menu.addAction(m_downloadButton->accessibleName(), this, &KLEntryViewController::onProcess);
    if (m_pauseButton->isVisibleTo(this)) {
        menu.addAction(m_pauseButton->accessibleName(), this, &KLEntryViewController::onPause);
    }
    menu.addAction(m_informationButton->accessibleName(), this, &KLEntryViewController::onDisplayInformation);
    if (m_revealButton->isVisible()) {
        menu.addAction(m_revealButton->accessibleName(), this, &KLEntryViewController::onReveal);
    }
    if (!m_titleTextField->isReadOnly()) {
        menu.addAction(tr("Rename"), this, &KLEntryViewController::rename);
    }
    if (m_removeButton->isVisible()) {
        menu.addAction(m_removeButton->accessibleName(), this, &KLEntryViewController::onRemove);
    }
    menu.exec(globalPosition);
}

void KLEntryViewController::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.fillRect(rect(), m_theme.rowBackground());
    painter.fillRect(QRect(0, height() - 1, width(), 1), m_theme.separator());
    if (m_current) {
        // The keyboard's row, in the theme's text colour.
        painter.setPen(QPen(m_theme.primaryText(), 2.0));
        painter.drawRect(QRectF(rect()).adjusted(1.0, 1.0, -1.0, -2.0));
    }
}
