#include "Views/KLMainWindowController.h"

#include "App/KLAppDelegate.h"
#include "App/KLEntryTableController.h"
#include "App/KLStatusLine.h"
#include "Desktop/KLBrowserPresence.h"
#include "Desktop/KLNotificationPresenter.h"
#include "Desktop/KLSoundPlayer.h"
#include "Model/KLTask/KLError.h"
#include "Model/Passwords/KLPasswordManager.h"
#include "Model/Preferences/KLDefaultPreferences.h"
#include "Utils/KLDispatch.h"
#include "Utils/KLServices.h"
#include "Views/KLMainWindow.h"
#include "Views/KLProxySettingsWindowController.h"
#include "Views/KLStatusAnimation.h"
#include "Views/KLTrayIcon.h"
#include "Views/Other/KLHoverButton.h"
#include "Views/Other/KLPassthroughTextField.h"
#include "Views/Other/KLPlainButton.h"
#include "Views/Other/KLScaleToFillImageView.h"
#include "Views/Passwords/KLPasswordManagerWindowController.h"
#include "Views/Popovers/KLAddPopoverController.h"
#include "Views/Popovers/KLBatchPopoverController.h"
#include "Views/Popovers/KLPopover.h"
#include "Views/Preferences/Controllers/KLDefaultPreferencesWindowController.h"
#include "Views/Table/KLEntryTableView.h"
#include "Views/Utils/KLArtwork.h"
#include "Views/Utils/KLFocusStyle.h"
#include "Views/Utils/KLTheme.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QMessageBox>
#include <QMimeData>
#include <QScreen>

KLMainWindowController::KLMainWindowController() = default;

// The connections to the preferences end with this object.
KLMainWindowController::~KLMainWindowController() = default;

void KLMainWindowController::setApplicationDelegate(const std::shared_ptr<KLAppDelegate> &delegate) {
    m_delegate = delegate;
    m_window = std::make_unique<KLMainWindow>(delegate->tableController());
    m_animation = new KLStatusAnimation(m_window->arrowImageView(), m_window->staticImageView(), this);
    m_tray = new KLTrayIcon(this);
    m_resizing.setTargetObject(m_window.get());
    m_resizing.setPropertyName("size");
    m_resizing.setDuration(resizeMilliseconds);
    m_resizing.setEasingCurve(QEasingCurve::OutCubic);
    connectControls();
}

std::shared_ptr<KLAppDelegate> KLMainWindowController::delegate() const {
    return m_delegate.lock();
}

std::shared_ptr<KLDefaultPreferences> KLMainWindowController::preferences() const {
    const auto controller = delegate();
    return controller != nullptr ? controller->services()->preferences : nullptr;
}

void KLMainWindowController::connectControls() {
    KLMainWindow &window = *m_window;
    window.dragFilesView()->setDelegate(this);
    connect(window.addButton(), &QToolButton::clicked, this, &KLMainWindowController::onAdd);
    connect(window.batchButton(), &QToolButton::clicked, this, &KLMainWindowController::onBatch);
    connect(window.cancelButton(), &QPushButton::clicked, this, [this] {
        if (const auto controller = delegate()) {
            controller->doCancel();
        }
    });
    connect(window.pasteAction(), &QAction::triggered, this, &KLMainWindowController::onPaste);
    connect(window.uninstallAction(), &QAction::triggered, this, &KLMainWindowController::onUninstall);
    // Quitting closes the window, which asks first while work is in progress.
    connect(window.quitAction(), &QAction::triggered, &window, &QWidget::close);
    connect(&window, &KLMainWindow::closing, this, &KLMainWindowController::quitRequested);
    connect(window.helpAction(), &QAction::triggered, this, [] {
        QDesktopServices::openUrl(QUrl(QStringLiteral("https://www.kinolark.org/tutorial.html")));
    });
    connect(window.feedbackAction(), &QAction::triggered, this,
            [] { QDesktopServices::openUrl(QUrl(QStringLiteral("https://www.kinolark.org/contact.html"))); });
    connect(m_tray, &KLTrayIcon::grabRequested, this, &KLMainWindowController::grab);
    connect(m_tray, &KLTrayIcon::cancelRequested, this, [this] {
        if (const auto controller = delegate()) {
            controller->doCancel();
        }
    });
    connect(window.preferencesAction(), &QAction::triggered, this, &KLMainWindowController::showPreferences);
    connect(window.passwordManagerAction(), &QAction::triggered, this,
            &KLMainWindowController::showPasswordManager);
    connect(window.proxySettingsAction(), &QAction::triggered, this,
            &KLMainWindowController::showProxySettings);
    connect(window.updateDownloaderAction(), &QAction::triggered, this,
            delegateCall(&KLAppDelegate::updateDownloadersOnRequest));
    connect(window.installExtraToolsAction(), &QAction::triggered, this,
            delegateCall(&KLAppDelegate::installExtraTools));
    // Settings, the downloader's upkeep and uninstalling are offered once the launch has finished; the site
    // logins once their store proved usable.
    for (QAction *later : launchActions()) {
        later->setEnabled(false);
    }
    window.passwordManagerAction()->setEnabled(false);
}

std::function<void()> KLMainWindowController::delegateCall(void (KLAppDelegate::*action)()) const {
    return [weakDelegate = m_delegate, action] {
        if (const auto controller = weakDelegate.lock()) {
            (controller.get()->*action)();
        }
    };
}

QList<QAction *> KLMainWindowController::launchActions() const {
    return {m_window->preferencesAction(), m_window->uninstallAction(), m_window->updateDownloaderAction(),
            m_window->installExtraToolsAction()};
}

// ---- Window set-up, themes, buttons ----

void KLMainWindowController::initializeMainWindow() {
    // One look on every desktop, in the program's own light and dark themes, with a focus ring to see.
    QApplication::setStyle(new KLFocusStyle());
    const auto stored = preferences();
    if (stored != nullptr) {
        followPreferences(*stored);
    }
    if (supportsVibrancy()) {
        m_window->setAttribute(Qt::WA_TranslucentBackground);
    }
    applyTheme(stored != nullptr && stored->theme() == QLatin1String("dark"));
    m_window->dragFilesView()->setDragEnabled(true);
    setBatchActions(false, false, false);
    m_window->resize(KLMainWindow::windowWidth, contentHeightFor(0));
    bringToFront();
}

bool KLMainWindowController::supportsVibrancy() const {
    // Only a compositing window system shows what lies behind a translucent window; Wayland always
    // composites.
    return QGuiApplication::platformName() == QLatin1String("wayland");
}

void KLMainWindowController::bringToFront() {
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

bool KLMainWindowController::darkTheme() const {
    return m_dark;
}

void KLMainWindowController::followPreferences(const KLDefaultPreferences &stored) {
    // The theme and the add button change once the event loop is back, even when a pane on this thread set
    // them; the rows change at once on this thread and queued from any other.
    connect(&stored, &KLDefaultPreferences::themeChanged, this, &KLMainWindowController::applyTheme,
            Qt::QueuedConnection);
    connect(&stored, &KLDefaultPreferences::addButtonBehaviourChanged, this,
            &KLMainWindowController::restoreButtonImages, Qt::QueuedConnection);
    connect(&stored, &KLDefaultPreferences::queueSizeChanged, this, &KLMainWindowController::resizeWindow);
}

void KLMainWindowController::applyTheme(bool dark) {
    m_dark = dark;
    const KLTheme theme(dark);
    QApplication::setPalette(theme.palette());
    m_window->setPalette(theme.palette());
    QColor background = theme.windowBackground();
    if (supportsVibrancy()) {
        background.setAlphaF(0.94F);
    }
    m_window->setWindowBackground(background);
    QPalette status = m_window->stateTextField()->palette();
    status.setColor(QPalette::WindowText, theme.statusText());
    m_window->stateTextField()->setPalette(status);
    QPalette hint = m_window->hintTextField()->palette();
    hint.setColor(QPalette::WindowText, theme.secondaryText());
    m_window->hintTextField()->setPalette(hint);
    QPalette cancel = m_window->cancelButton()->palette();
    cancel.setColor(QPalette::ButtonText, theme.primaryText());
    m_window->cancelButton()->setPalette(cancel);
    m_window->cancelButton()->setBackgroundColor(theme.separator());
    m_window->patternImageView()->setImageName(dark ? QStringLiteral("pattern-dark")
                                                    : QStringLiteral("pattern-light"));
    m_window->tvImageView()->setImageName(dark ? QStringLiteral("tv-dark.png")
                                               : QStringLiteral("tv-light.png"));
    restoreButtonImages();
    m_window->mainTableView()->updateTheme(dark);
}

QString KLMainWindowController::getImageForAddButton() const {
    const auto stored = preferences();
    const QString behaviour = stored != nullptr ? stored->addButtonBehaviour() : QString();
    if (behaviour == QLatin1String("firefox")) {
        return QStringLiteral("firefox.png");
    }
    if (behaviour == QLatin1String("chrome")) {
        return QStringLiteral("chrome.png");
    }
    const KLTheme theme(m_dark);
    return theme.image(m_addPopover != nullptr ? QStringLiteral("icon-add-active")
                                               : QStringLiteral("icon-add-inactive"));
}

void KLMainWindowController::restoreButtonImages() {
    const KLTheme theme(m_dark);
    m_window->addButton()->setDefaultImage(KLArtwork::icon(getImageForAddButton()));
    m_window->addButton()->setHoverImage(
        KLArtwork::icon(getImageForAddButton().startsWith(QStringLiteral("icon-add"))
                            ? theme.image(QStringLiteral("icon-add-active"))
                            : getImageForAddButton()));
    const QString batch = m_batchPopover != nullptr ? QStringLiteral("icon-settings-active")
                                                    : QStringLiteral("icon-settings-inactive");
    m_window->batchButton()->setDefaultImage(KLArtwork::icon(theme.image(batch)));
    m_window->batchButton()->setHoverImage(
        KLArtwork::icon(theme.image(QStringLiteral("icon-settings-active"))));
}

// ---- Geometry ----

int KLMainWindowController::titleBarHeight() const {
    return m_window->frameGeometry().height() - m_window->geometry().height();
}

int KLMainWindowController::contentHeightFor(int entries) const {
    const auto stored = preferences();
    const int queueSize =
        static_cast<int>(stored != nullptr ? std::max<uint64_t>(1, stored->queueSize()) : 3);
    const int shown = std::min(entries, queueSize);
    return m_window->headerHeight() + rowHeight * shown + (entries > queueSize ? scrollingExtra : 0);
}

QRect KLMainWindowController::availableArea() const {
    const QScreen *screen = m_window->screen();
    if (screen == nullptr) {
        screen = QGuiApplication::primaryScreen();
    }
    return screen != nullptr ? screen->availableGeometry() : QRect();
}

int KLMainWindowController::windowHeightFor(int entries) const {
    // Never taller than the screen leaves room for: the queue scrolls within what fits.
    const QRect available = availableArea();
    const int content = contentHeightFor(entries);
    return available.isEmpty() ? content : std::min(content, available.height() - titleBarHeight());
}

void KLMainWindowController::keepOnScreen(int height) {
    // A window that would reach past the bottom of the screen rises, never above its top.
    const QRect available = availableArea();
    const QRect frame = m_window->frameGeometry();
    const int bottom = frame.top() + height + titleBarHeight();
    if (available.isEmpty() || (bottom <= available.bottom() + 1 && frame.top() >= available.top())) {
        return;
    }
    const int top =
        std::max(available.top(), std::min(frame.top(), available.bottom() + 1 - height - titleBarHeight()));
    m_window->move(frame.left(), top);
}

void KLMainWindowController::resizeWindow() {
    if (!KLDispatch::isMainThread()) {
        KLDispatch::async([weakSelf = weak_from_this()] {
            if (const auto self = weakSelf.lock()) {
                self->resizeWindow();
            }
        });
        return;
    }
    // The window keeps its top edge: only its height changes, which Qt takes from the bottom.
    const QSize target(KLMainWindow::windowWidth, windowHeightFor(m_numberOfEntries));
    m_resizing.stop();
    keepOnScreen(target.height());
    if (!m_window->isVisible()) {
        m_window->resize(target);
        return;
    }
    m_resizing.setStartValue(m_window->size());
    m_resizing.setEndValue(target);
    m_resizing.start();
}

// ---- Popovers ----

void KLMainWindowController::onAdd() {
    dismissFailure();
    const auto stored = preferences();
    const QString behaviour = stored != nullptr ? stored->addButtonBehaviour() : QString();
    if (behaviour == QLatin1String("firefox")) {
        grab(KLBrowserGrabber::Browser::Firefox);
        return;
    }
    if (behaviour == QLatin1String("chrome")) {
        grab(KLBrowserGrabber::Browser::Chrome);
        return;
    }
    auto *choices =
        new KLAddPopoverController(KLBrowserPresence::isRunning(KLBrowserGrabber::Browser::Firefox),
                                   KLBrowserPresence::isRunning(KLBrowserGrabber::Browser::Chrome), m_dark);
    connect(choices, &KLAddPopoverController::pasteChosen, this, &KLMainWindowController::onPaste);
    connect(choices, &KLAddPopoverController::firefoxChosen, this,
            [this] { grab(KLBrowserGrabber::Browser::Firefox); });
    connect(choices, &KLAddPopoverController::chromeChosen, this,
            [this] { grab(KLBrowserGrabber::Browser::Chrome); });
    m_addPopover = new KLPopover(choices, m_dark, m_window.get());
    connect(m_addPopover, &KLPopover::closed, this, &KLMainWindowController::popoverDidClose);
    restoreButtonImages();
    m_addPopover->showRelativeTo(m_window->addButton());
}

void KLMainWindowController::onBatch() {
    dismissFailure();
    auto *actions =
        new KLBatchPopoverController(m_showProcessAll, m_showClearCompleted, m_showClearAll, m_dark);
    actions->offerPauseActions(m_showPauseAll, m_showResumeAll);
    // The popover lives no longer than the window; it reaches the controller only while that is there.
    connect(actions, &KLBatchPopoverController::processAllChosen, this,
            delegateCall(&KLAppDelegate::processAll));
    connect(actions, &KLBatchPopoverController::clearCompletedChosen, this,
            delegateCall(&KLAppDelegate::clearCompleted));
    connect(actions, &KLBatchPopoverController::clearAllChosen, this, delegateCall(&KLAppDelegate::clearAll));
    connect(actions, &KLBatchPopoverController::pauseAllChosen, this, delegateCall(&KLAppDelegate::pauseAll));
    connect(actions, &KLBatchPopoverController::resumeAllChosen, this,
            delegateCall(&KLAppDelegate::resumeAll));
    m_batchPopover = new KLPopover(actions, m_dark, m_window.get());
    connect(m_batchPopover, &KLPopover::closed, this, &KLMainWindowController::popoverDidClose);
    restoreButtonImages();
    m_batchPopover->showRelativeTo(m_window->batchButton());
}

void KLMainWindowController::popoverDidClose() {
    // The closing popover is still alive while it tells of it; the buttons show their resting pictures now.
    if (m_addPopover != nullptr && !m_addPopover->isVisible()) {
        m_addPopover = nullptr;
    }
    if (m_batchPopover != nullptr && !m_batchPopover->isVisible()) {
        m_batchPopover = nullptr;
    }
    restoreButtonImages();
}

void KLMainWindowController::closeBatchPopover() {
    if (m_batchPopover != nullptr) {
        m_batchPopover->close();
    }
}

void KLMainWindowController::closeAddPopover() {
    if (m_addPopover != nullptr) {
        m_addPopover->close();
    }
}

// ---- The user's actions ----

void KLMainWindowController::grab(KLBrowserGrabber::Browser browser) {
    closeAddPopover();
    if (const auto controller = delegate()) {
        // Asking a browser takes a moment, which the window does not wait for.
        KLDispatch::background([controller, browser] { controller->openBrowserVideo(browser); });
    }
}

void KLMainWindowController::onPaste() {
    const auto controller = delegate();
    const QMimeData *data = QGuiApplication::clipboard()->mimeData();
    if (controller == nullptr || data == nullptr) {
        return;
    }
    KLAppDelegate::ClipboardItem item;
    for (const QString &rtf : {QStringLiteral("text/rtf"), QStringLiteral("application/rtf")}) {
        if (!item.rtf && data->hasFormat(rtf)) {
            item.rtf = QString::fromUtf8(data->data(rtf));
        }
    }
    if (data->hasHtml()) {
        item.html = data->html();
    }
    if (data->hasText()) {
        item.text = data->text();
    }
    QList<QUrl> files;
    for (const QUrl &url : data->urls()) {
        if (url.isLocalFile()) {
            files << url;
        }
    }
    QList<KLAppDelegate::ClipboardItem> items;
    if (item.rtf || item.html || item.text) {
        items << item;
    }
    controller->processPasteboard(items, files);
}

void KLMainWindowController::onUninstall() {
    const QMessageBox::StandardButton answer =
        QMessageBox::question(m_window.get(), tr("Uninstall KinolarkPro"),
                              tr("This removes KinolarkPro's settings, its working files and the remembered "
                                 "queue. Your videos stay "
                                 "where they are. Uninstall?"),
                              QMessageBox::Cancel | QMessageBox::Ok, QMessageBox::Cancel);
    if (answer != QMessageBox::Ok) {
        return;
    }
    if (const auto controller = delegate()) {
        controller->onUninstall();
    }
}

void KLMainWindowController::dragFilesViewFilesWereDropped(const QStringList &paths) {
    if (const auto controller = delegate()) {
        controller->dragFilesViewFilesWereDropped(paths);
    }
}

void KLMainWindowController::dragFilesViewStringWasDragged(const QString &text) {
    if (const auto controller = delegate()) {
        controller->dragFilesViewStringWasDragged(text);
    }
}

// ---- What the controller shows ----

void KLMainWindowController::setStatusText(const QString &text) {
    if (text == KLStatusLine::failedText) {
        // A new failure brings its cause; the same failure shown again keeps the one it had.
        if (!m_failureShown || !m_nothingFoundCause.isEmpty()) {
            m_failureCause = m_nothingFoundCause;
            tellNothingFound(m_failureCause);
        }
        m_nothingFoundCause.clear();
        m_failureShown = true;
    } else if (text == KLStatusLine::idleText && m_failureShown) {
        setStatusTextVisible(true);
        showStatus(KLStatusLine::failedText, m_failureCause);
        return;
    }
    showStatus(text, text == KLStatusLine::failedText ? m_failureCause : QString());
}

QString KLMainWindowController::innermostReason(const QString &cause) {
    // "Could not get target link from source URL: U (Unsupported URL: U)": what the line has room for is
    // the part in the last brackets, the tool's reason; the address is in the row's own text already.
    if (!cause.endsWith(QLatin1Char(')'))) {
        return cause;
    }
    int depth = 0;
    for (qsizetype at = cause.size() - 1; at >= 0; --at) {
        depth += cause.at(at) == QLatin1Char(')') ? 1 : cause.at(at) == QLatin1Char('(') ? -1 : 0;
        if (depth == 0) {
            return cause.mid(at + 1, cause.size() - at - 2);
        }
    }
    return cause;
}

void KLMainWindowController::showStatus(const QString &text, const QString &cause) {
    // One line, elided in the middle so that the start of an address and its end both show; a failure's
    // cause has a second line, where the cancel button (hidden then) would be, with the tool's own words. The
    // whole text is in the tooltip and for screen readers.
    QLabel *field = m_window->stateTextField();
    const auto line = [field](const QString &part) {
        return field->fontMetrics().elidedText(part, Qt::ElideMiddle, field->width());
    };
    field->setText(cause.isEmpty() ? line(text)
                                   : line(text) + QLatin1Char('\n') + line(innermostReason(cause)));
    const QString whole = cause.isEmpty() ? text : text + QLatin1Char(' ') + cause;
    field->setToolTip(whole);
    field->setAccessibleName(whole);
}

void KLMainWindowController::addressYieldedNothing(const QUrl &url, const std::shared_ptr<KLError> &error) {
    m_nothingFoundCause = KLApplicationUI::nothingFoundReason(url, error);
}

void KLMainWindowController::tellNothingFound(const QString &cause) {
    // The band keeps the failure; whoever works elsewhere hears of it as of any other failed run.
    const auto stored = preferences();
    if (stored == nullptr || stored->sendNotifications()) {
        presentNotification(KLStatusLine::failedText, cause, QStringLiteral("dialog-error"));
    }
}

void KLMainWindowController::dismissFailure() {
    // A failure stays in the band until the user does something next.
    if (m_failureShown) {
        m_failureShown = false;
        m_failureCause.clear();
        setStatusTextVisible(false);
        setStatusText(KLStatusLine::idleText);
    }
}

void KLMainWindowController::setStatusTextVisible(bool visible) {
    visible = visible || m_failureShown; // the band is idle, but still has the failure to show
    m_window->stateTextField()->setVisible(visible);
    m_window->hintTextField()->setVisible(!visible);
}

void KLMainWindowController::setSpinning(bool spinning) {
    if (spinning) {
        m_animation->stopAnimatingArrow();
        m_animation->startAnimatingStatic();
    } else {
        m_animation->stopAnimatingStatic();
        m_animation->startAnimatingArrow();
    }
}

void KLMainWindowController::setCancelButtonVisible(bool visible) {
    m_window->cancelButton()->setVisible(visible);
    m_tray->setCancelVisible(visible);
}

void KLMainWindowController::setDragEnabled(bool enabled) {
    m_window->dragFilesView()->setDragEnabled(enabled);
}

void KLMainWindowController::setLaunchMenusEnabled(bool enabled) {
    for (QAction *later : launchActions()) {
        later->setEnabled(enabled);
    }
}

KLDefaultPreferencesWindowController *KLMainWindowController::preferencesWindow() const {
    return m_preferencesWindow;
}

void KLMainWindowController::showPreferences() {
    if (m_preferencesWindow == nullptr) {
        const auto stored = preferences();
        if (stored == nullptr) {
            return;
        }
        const auto controller = delegate();
        m_preferencesWindow = new KLDefaultPreferencesWindowController(
            stored, controller != nullptr ? controller->services()->keptDownloads : nullptr, m_window.get());
    }
    showWindow(m_preferencesWindow);
}

void KLMainWindowController::setPasswordManagerAvailable(bool available) {
    m_window->passwordManagerAction()->setEnabled(available);
}

void KLMainWindowController::showPasswordManager() {
    // Made once: filling its list of sites takes a moment.
    if (m_passwordManagerWindow == nullptr) {
        const auto controller = delegate();
        const auto store = controller != nullptr ? controller->services()->passwordManager : nullptr;
        if (store == nullptr || !store->passwordManagerIsEnabled()) {
            return;
        }
        m_passwordManagerWindow =
            new KLPasswordManagerWindowController(store, controller->services()->preferences, m_window.get());
    }
    showWindow(m_passwordManagerWindow);
}

void KLMainWindowController::showProxySettings() {
    if (m_proxySettingsWindow == nullptr) {
        const auto stored = preferences();
        if (stored == nullptr) {
            return;
        }
        m_proxySettingsWindow = new KLProxySettingsWindowController(stored, m_window.get());
    }
    showWindow(m_proxySettingsWindow);
}

void KLMainWindowController::showWindow(QWidget *window) {
    window->show();
    window->raise();
    window->activateWindow();
}

void KLMainWindowController::setAddButtonVisible(bool visible) {
    m_window->addButton()->setVisible(visible);
}

void KLMainWindowController::setBatchActions(bool processAll, bool clearCompleted, bool clearAll) {
    m_showProcessAll = processAll;
    m_showClearCompleted = clearCompleted;
    m_showClearAll = clearAll;
    m_window->batchButton()->setVisible(processAll || clearCompleted || clearAll);
}

void KLMainWindowController::setPauseActions(bool pauseAll, bool resumeAll) {
    m_showPauseAll = pauseAll;
    m_showResumeAll = resumeAll;
}

void KLMainWindowController::showAlert(const QString &title, const QString &message) {
    QMessageBox alert(QMessageBox::NoIcon, title, message, QMessageBox::NoButton, m_window.get());
    alert.addButton(QStringLiteral("Ok"), QMessageBox::AcceptRole);
    alert.exec();
}

void KLMainWindowController::entryAdded(const std::shared_ptr<KLEntry> &entry) {
    dismissFailure();
    m_window->mainTableView()->addEntry(entry);
}

void KLMainWindowController::entryRemoved(const std::shared_ptr<KLEntry> &entry) {
    m_window->mainTableView()->removeEntry(entry);
}

void KLMainWindowController::numberOfEntriesChanged(int count) {
    m_numberOfEntries = count;
    resizeWindow();
}

void KLMainWindowController::entryChanged(const std::shared_ptr<KLEntry> &entry) {
    m_window->mainTableView()->refreshEntry(entry);
}

void KLMainWindowController::presentNotification(const QString &title, const QString &text,
                                                 const QString &soundName) {
    KLNotificationPresenter::present(title, text, soundName);
}

void KLMainWindowController::playSound(const QString &soundName) {
    KLSoundPlayer::play(soundName);
}

void KLMainWindowController::terminate() {
    Q_EMIT quitRequested();
}
