#pragma once

#include "Model/Preferences/KLSettingsLevel.h"
#include "Views/Preferences/PreferenceViews/KLPreferencesPane.h"

#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

class KLKeptDownloads;
class KLPreferences;
class KLPreferencesListener;
class KLPreferencesPaneBar;
class QToolButton;

// The preferences of a record: a row of pane buttons and the chosen pane under it. Which panes there are
// depends on the record's settings level (General, for the stored preferences only and never as the
// accessory of a save dialog; Conversion; from Advanced on Video and Audio; at Expert the two codec panes);
// a change of the level builds them anew and shows Conversion. From the keyboard, Ctrl+Tab and Ctrl+PgDown
// go to the next pane and Ctrl+Shift+Tab and Ctrl+PgUp to the previous one, anywhere in the window.
class KLPreferencesViewController final : public QWidget {
    Q_OBJECT

public:
    enum class Pane { General, Conversion, Video, Audio, VideoCodec, AudioCodec };
    // Where the keyboard focus goes when a pane shows: it stays where it is (unless it was in the pane that
    // leaves), or it goes to the new pane's first control.
    enum class Focus { Stay, IntoPane };

    // The stored settings' General pane shows what downloads keep across runs when `keptDownloads` is given.
    KLPreferencesViewController(std::shared_ptr<KLPreferences> preferences, bool asAccessoryView,
                                QWidget *parent = nullptr,
                                std::shared_ptr<KLKeptDownloads> keptDownloads = nullptr);
    ~KLPreferencesViewController() override;

    std::shared_ptr<KLPreferences> preferences() const { return m_preferences; }
    bool asAccessoryView() const { return m_asAccessoryView; }
    // Called after the pane changed, so the window can fit it.
    void setResizeBlock(std::function<void()> block) { m_resizeBlock = std::move(block); }

    // The panes the level offers, in order.
    std::vector<Pane> panes() const;
    Pane currentPane() const { return m_current; }
    KLPreferencesPane *currentPaneView() const { return m_currentView; }
    QToolButton *paneButton(Pane pane) const;
    void showPane(Pane pane, Focus focus = Focus::Stay);
    // Throws away the panes and builds those of the record's level, showing Conversion.
    void rebuildPanes();

    static QString paneTitle(Pane pane);

private:
    KLPreferencesPane *makePane(Pane pane);
    // The pane `step` places after the current one among those the level offers, round the ends.
    void stepPane(int step);
    void focusFirstControl();

    std::shared_ptr<KLPreferences> m_preferences;
    const bool m_asAccessoryView;
    const std::shared_ptr<KLKeptDownloads> m_keptDownloads;
    std::shared_ptr<KLPreferencesListener> m_listener;
    std::function<void()> m_resizeBlock;
    KLPreferencesPaneBar *m_bar;
    QWidget *m_paneArea;
    Pane m_current = Pane::Conversion;
    QPointer<KLPreferencesPane> m_currentView;
};
