#pragma once

#include <QMainWindow>

#include <memory>

class KLDragFilesView;
class KLEntryTableController;
class KLEntryTableView;
class KLHoverButton;
class KLPassthroughTextField;
class KLPlainButton;
class KLScaleToFillImageView;
class QAction;
class QMenu;

// The main window: on top the drop zone (the TV with its two animation layers over a quiet pattern), under
// it a band with the add button, the status line and its cancel button and the batch button, and below the
// queue, one row per entry. It is only the views and menus; KLMainWindowController gives them life.
class KLMainWindow final : public QMainWindow {
    Q_OBJECT

public:
    static constexpr int windowWidth = 320;
    static constexpr int dropZoneHeight = 200;
    // The band under the drop zone; the queue begins below it.
    static constexpr int bandHeight = 67;

    explicit KLMainWindow(std::weak_ptr<KLEntryTableController> table, QWidget *parent = nullptr);

    KLDragFilesView *dragFilesView() const { return m_dragFilesView; }
    KLScaleToFillImageView *patternImageView() const { return m_patternImageView; }
    KLScaleToFillImageView *tvImageView() const { return m_tvImageView; }
    KLScaleToFillImageView *arrowImageView() const { return m_arrowImageView; }
    KLScaleToFillImageView *staticImageView() const { return m_staticImageView; }
    KLPassthroughTextField *stateTextField() const { return m_stateTextField; }
    // What the band says while the status line is idle and hidden.
    KLPassthroughTextField *hintTextField() const { return m_hintTextField; }
    KLPlainButton *cancelButton() const { return m_cancelButton; }
    KLHoverButton *addButton() const { return m_addButton; }
    KLHoverButton *batchButton() const { return m_batchButton; }
    KLEntryTableView *mainTableView() const { return m_mainTableView; }

    QAction *preferencesAction() const { return m_preferencesAction; }
    QAction *pasteAction() const { return m_pasteAction; }
    QAction *passwordManagerAction() const { return m_passwordManagerAction; }
    QAction *proxySettingsAction() const { return m_proxySettingsAction; }
    QAction *updateDownloaderAction() const { return m_updateDownloaderAction; }
    QAction *installExtraToolsAction() const { return m_installExtraToolsAction; }
    QAction *uninstallAction() const { return m_uninstallAction; }
    QAction *helpAction() const { return m_helpAction; }
    QAction *feedbackAction() const { return m_feedbackAction; }
    QAction *quitAction() const { return m_quitAction; }
    QAction *aboutAction() const { return m_aboutAction; }

    // Whether the window may close and the program end now: while entries are being processed the user is
    // asked first. Once the desktop session ends nobody is asked.
    bool userAgreesToQuit();
    void setAskBeforeQuitting(bool ask) { m_askBeforeQuitting = ask; }

    // The height of everything above the queue.
    int headerHeight() const;
    void setWindowBackground(const QColor &color);

Q_SIGNALS:
    void closing();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    QWidget *buildDropZone();
    void buildMenus();
    int entriesProcessing() const;

    const std::weak_ptr<KLEntryTableController> m_table;
    KLDragFilesView *m_dragFilesView = nullptr;
    KLScaleToFillImageView *m_patternImageView = nullptr;
    KLScaleToFillImageView *m_tvImageView = nullptr;
    KLScaleToFillImageView *m_arrowImageView = nullptr;
    KLScaleToFillImageView *m_staticImageView = nullptr;
    KLPassthroughTextField *m_stateTextField = nullptr;
    KLPassthroughTextField *m_hintTextField = nullptr;
    KLPlainButton *m_cancelButton = nullptr;
    KLHoverButton *m_addButton = nullptr;
    KLHoverButton *m_batchButton = nullptr;
    KLEntryTableView *m_mainTableView = nullptr;
    QAction *m_preferencesAction = nullptr;
    QAction *m_pasteAction = nullptr;
    QAction *m_passwordManagerAction = nullptr;
    QAction *m_proxySettingsAction = nullptr;
    QAction *m_updateDownloaderAction = nullptr;
    QAction *m_installExtraToolsAction = nullptr;
    QAction *m_uninstallAction = nullptr;
    QAction *m_helpAction = nullptr;
    QAction *m_feedbackAction = nullptr;
    QAction *m_quitAction = nullptr;
    QAction *m_aboutAction = nullptr;
    bool m_askBeforeQuitting = true;
};
