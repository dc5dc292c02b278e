#pragma once

#include <QWidget>

#include <memory>

class KLDefaultPreferences;
class KLKeptDownloads;
class KLPreferencesViewController;

// The preferences window of the program's stored settings: the preferences view, and the window fitted to
// whichever pane shows.
class KLDefaultPreferencesWindowController final : public QWidget {
    Q_OBJECT

public:
    // What downloads keep across runs is shown, and can be cleared, when `keptDownloads` is given.
    explicit KLDefaultPreferencesWindowController(std::shared_ptr<KLDefaultPreferences> preferences,
                                                  std::shared_ptr<KLKeptDownloads> keptDownloads = nullptr,
                                                  QWidget *parent = nullptr);

    KLPreferencesViewController *preferencesView() const { return m_view; }

private:
    void fitToPane();

    KLPreferencesViewController *m_view;
};
