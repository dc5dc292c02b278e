#include "Views/KLMainWindow.h"

#include "App/KLEntryTableController.h"
#include "Model/KLEntry/KLEntry.h"
#include "Views/Other/KLDragFilesView.h"
#include "Views/Other/KLHoverButton.h"
#include "Views/Other/KLPassthroughTextField.h"
#include "Views/Other/KLPlainButton.h"
#include "Views/Other/KLScaleToFillImageView.h"
#include "Views/Table/KLEntryTableView.h"

#include <QCloseEvent>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

KLScaleToFillImageView *layer(QWidget *parent) {
    auto *view = new KLScaleToFillImageView(parent);
    view->setGeometry(0, 0, KLMainWindow::windowWidth, KLMainWindow::dropZoneHeight);
    // Pictures never take drops or clicks: those belong to the drop zone under them.
    view->setAttribute(Qt::WA_TransparentForMouseEvents);
    return view;
}

QAction *action(QMenu *menu, const QString &text, const QKeySequence &shortcut = QKeySequence()) {
    QAction *created = menu->addAction(text);
    created->setShortcut(shortcut);
    return created;
}

} // namespace

KLMainWindow::KLMainWindow(std::weak_ptr<KLEntryTableController> table, QWidget *parent)
    : QMainWindow(parent), m_table(std::move(table)) {
    setWindowTitle(QStringLiteral("KinolarkPro"));
    setObjectName(QStringLiteral("KLMainWindow"));
    auto *central = new QWidget(this);
    central->setAutoFillBackground(true);
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(buildDropZone());
    m_mainTableView = new KLEntryTableView(m_table, false, central);
    // The window's height follows the queue exactly, down to no row at all.
    m_mainTableView->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Ignored);
    layout->addWidget(m_mainTableView, 1);
    setCentralWidget(central);
    // Tab goes from the top down: add, the queue's actions, cancel (while shown), then the queue.
    setTabOrder(m_addButton, m_batchButton);
    setTabOrder(m_batchButton, m_cancelButton);
    setTabOrder(m_cancelButton, m_mainTableView);
    buildMenus();
    setFixedWidth(windowWidth);
}

QWidget *KLMainWindow::buildDropZone() {
    // The drop zone holds everything above the queue, so a drop anywhere there counts.
    m_dragFilesView = new KLDragFilesView();
    m_dragFilesView->setFixedSize(windowWidth, dropZoneHeight + bandHeight);
    m_patternImageView = layer(m_dragFilesView);
    m_tvImageView = layer(m_dragFilesView);
    m_arrowImageView = layer(m_dragFilesView);
    m_staticImageView = layer(m_dragFilesView);
    m_staticImageView->hide();

    m_addButton = new KLHoverButton(m_dragFilesView);
    m_addButton->setIconSize(QSize(24, 24));
    m_addButton->setGeometry(14, dropZoneHeight + (bandHeight - 32) / 2, 32, 32);
    m_addButton->setToolTip(tr("Add"));
    m_addButton->setAccessibleName(tr("Add"));
    m_batchButton = new KLHoverButton(m_dragFilesView);
    m_batchButton->setIconSize(QSize(24, 24));
    m_batchButton->setGeometry(windowWidth - 14 - 32, dropZoneHeight + (bandHeight - 32) / 2, 32, 32);
    m_batchButton->setToolTip(tr("Queue actions"));
    m_batchButton->setAccessibleName(tr("Queue actions"));

    m_stateTextField = new KLPassthroughTextField(m_dragFilesView);
    m_stateTextField->setAlignment(Qt::AlignCenter);
    m_stateTextField->setTextFormat(Qt::PlainText);
    m_stateTextField->setGeometry(54, dropZoneHeight + 6, windowWidth - 108, 34);
    m_hintTextField = new KLPassthroughTextField(m_dragFilesView);
    m_hintTextField->setAlignment(Qt::AlignCenter);
    m_hintTextField->setText(tr("Drop links, pages or files here"));
    m_hintTextField->setGeometry(54, dropZoneHeight, windowWidth - 108, bandHeight);
    m_cancelButton = new KLPlainButton(m_dragFilesView);
    m_cancelButton->setText(tr("Cancel"));
    m_cancelButton->setGeometry((windowWidth - 72) / 2, dropZoneHeight + 40, 72, 22);
    m_cancelButton->setStyleSheet(QStringLiteral("border-radius: 4px;"));
    m_cancelButton->hide();
    return m_dragFilesView;
}

void KLMainWindow::buildMenus() {
    QMenu *application = menuBar()->addMenu(tr("&KinolarkPro"));
    m_preferencesAction = action(application, tr("Preferences..."), QKeySequence(QStringLiteral("Ctrl+,")));
    m_passwordManagerAction = action(application, tr("Password Manager..."));
    m_proxySettingsAction = action(application, tr("Proxy Settings..."));
    application->addSeparator();
    m_updateDownloaderAction = action(application, tr("Update Downloader"));
    m_installExtraToolsAction = action(application, tr("Install Extra Tools"));
    application->addSeparator();
    m_uninstallAction = action(application, tr("Uninstall KinolarkPro..."));
    application->addSeparator();
    m_quitAction = action(application, tr("Quit"), QKeySequence::Quit);
    QMenu *edit = menuBar()->addMenu(tr("&Edit"));
    m_pasteAction = action(edit, tr("Paste URL"), QKeySequence::Paste);
    QMenu *help = menuBar()->addMenu(tr("&Help"));
    m_helpAction = action(help, tr("KinolarkPro Help"));
    m_feedbackAction = action(help, tr("Send Feedback..."));
    help->addSeparator();
    m_aboutAction = action(help, tr("About KinolarkPro"));
    m_aboutAction->setMenuRole(QAction::AboutRole);
}

int KLMainWindow::headerHeight() const {
    return menuBar()->sizeHint().height() + dropZoneHeight + bandHeight;
}

void KLMainWindow::setWindowBackground(const QColor &color) {
    QPalette palette = centralWidget()->palette();
    palette.setColor(QPalette::Window, color);
    centralWidget()->setPalette(palette);
    m_mainTableView->viewport()->setPalette(palette);
    m_mainTableView->widget()->setPalette(palette);
}

void KLMainWindow::closeEvent(QCloseEvent *event) {
    // Closing the window ends the application, and with it the work in progress.
    if (!userAgreesToQuit()) {
        event->ignore();
        return;
    }
    Q_EMIT closing();
    event->accept();
}

int KLMainWindow::entriesProcessing() const {
    const auto table = m_table.lock();
    if (table == nullptr) {
        return 0;
    }
    const auto entries = table->getEntries();
    return static_cast<int>(
        std::count_if(entries.begin(), entries.end(), [](const auto &entry) { return entry->processing(); }));
}

bool KLMainWindow::userAgreesToQuit() {
    const int processing = m_askBeforeQuitting ? entriesProcessing() : 0;
    if (processing == 0) {
        return true;
    }
    const QString text = processing == 1
                             ? tr("1 video is still being processed. Quit anyway?")
                             : tr("%1 videos are still being processed. Quit anyway?").arg(processing);
    QMessageBox question(QMessageBox::Question, tr("Quit KinolarkPro"), text, QMessageBox::NoButton, this);
    QPushButton *quit = question.addButton(tr("Quit"), QMessageBox::AcceptRole);
    QPushButton *cancel = question.addButton(QMessageBox::Cancel);
    question.setDefaultButton(cancel);
    question.setEscapeButton(cancel);
    question.exec();
    return question.clickedButton() == quit;
}
