#pragma once

#include <QString>

#include <memory>

class KLCodecPreferencesViewController;
class KLPreferences;
class QWidget;

// Makes the settings pane of a codec. Apart from the panes, so that the base pane knows none of its kinds.
class KLCodecPreferencesViewFactory final {
public:
    // The pane for the codec's name ("h264", "mp2"); nothing for an unknown name.
    static KLCodecPreferencesViewController *
    forCodec(const QString &codec, std::shared_ptr<KLPreferences> preferences, QWidget *parent = nullptr);
};
