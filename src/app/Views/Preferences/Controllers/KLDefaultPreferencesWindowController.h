#pragma once

#include <QWidget>

#include <memory>

class KLDefaultPreferences;
class KLPreferencesViewController;

// The preferences window of the program's stored settings: the preferences view, and the window fitted to
// whichever pane shows.
class KLDefaultPreferencesWindowController final : public QWidget {
    Q_OBJECT

public:
    explicit KLDefaultPreferencesWindowController(std::shared_ptr<KLDefaultPreferences> preferences,
                                                  QWidget *parent = nullptr);

    KLPreferencesViewController *preferencesView() const { return m_view; }

private:
    void fitToPane();

    KLPreferencesViewController *m_view;
};
