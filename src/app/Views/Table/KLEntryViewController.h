#pragma once

#include "Views/Utils/KLTheme.h"

#include <QTimer>
#include <QWidget>

#include <memory>

class KLEntry;
class KLEntryRow;
class KLEntryTableController;
class KLHoverButton;
class KLProgressIndicator;
class KLTitleTextField;
class QLabel;

// One row of the queue: what its entry is (thumbnail, title, source, state, progress, time to go) and
// what can be done with it (start, pause, cancel or start again, remove, show the file, show its
// information).
// The row follows its entry through apply(), which the window calls on the main thread after every change.
class KLEntryViewController final : public QWidget {
    Q_OBJECT

public:
    static constexpr int rowHeight = 130;
    static constexpr int dotsMilliseconds = 500;

    // The main button's picture and the row's controls for each state of the entry, first match wins.
    struct Look {
        QString mainImage;
        bool removeShown;
        bool revealShown;
        bool titleEditable;
        bool etaShown;
    };
    static Look lookFor(const KLEntry &entry);

    KLEntryViewController(std::shared_ptr<KLEntry> entry, std::weak_ptr<KLEntryTableController> table,
                          bool dark, QWidget *parent = nullptr);
    ~KLEntryViewController() override;

    std::shared_ptr<KLEntry> entry() const { return m_entry; }
    void apply();
    void updateDots();
    void updateTheme(bool dark);

    // The row's controls, for whoever drives the row from outside (tests, accessibility).
    KLHoverButton *downloadButton() const { return m_downloadButton; }
    KLHoverButton *removeButton() const { return m_removeButton; }
    KLHoverButton *revealButton() const { return m_revealButton; }
    KLHoverButton *informationButton() const { return m_informationButton; }
    KLHoverButton *pauseButton() const { return m_pauseButton; }
    KLTitleTextField *titleTextField() const { return m_titleTextField; }
    QLabel *stateTextField() const { return m_stateTextField; }
    QLabel *etaTextField() const { return m_etaTextField; }
    QLabel *originalURLTextField() const { return m_originalURLTextField; }
    KLProgressIndicator *circularProgressIndicator() const { return m_circularProgressIndicator; }
    QString mainImage() const { return m_mainImage; }

    void onProcess();
    void onRemove();
    void onPause();
    void onReveal();
    void onTitle();
    void onDisplayInformation();
    // The title, ready to be typed over (F2).
    void rename();
    // The row's actions as a menu at the position (the menu key, the right button).
    void showActionsMenu(const QPoint &globalPosition);
    // The row the queue's keys act on, marked while the queue has the focus.
    void setCurrent(bool current);
    bool isCurrent() const { return m_current; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void buildControls();
    void placeControls();
    // The visible tools side by side under the title.
    void placeTools();
    void showState(const QString &state);
    void announce();
    void showCause();
    void showThumbnail(const QImage &image);
    void showProgress();
    void setToolImages();
    std::shared_ptr<KLEntryRow> queueRow() const;

    const std::shared_ptr<KLEntry> m_entry;
    const std::weak_ptr<KLEntryTableController> m_table;
    KLTheme m_theme;
    QString m_mainImage;
    QLabel *m_thumbnailImageView = nullptr;
    KLTitleTextField *m_titleTextField = nullptr;
    QLabel *m_originalURLTextField = nullptr;
    QLabel *m_stateTextField = nullptr;
    QLabel *m_etaTextField = nullptr;
    KLProgressIndicator *m_circularProgressIndicator = nullptr;
    KLHoverButton *m_downloadButton = nullptr;
    KLHoverButton *m_removeButton = nullptr;
    KLHoverButton *m_revealButton = nullptr;
    KLHoverButton *m_informationButton = nullptr;
    KLHoverButton *m_pauseButton = nullptr;
    QTimer m_labelTimer;
    bool m_current = false;
};
