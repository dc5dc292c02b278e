#pragma once

#include "Views/Preferences/PreferenceViews/KLPreferencesPane.h"

#include <QList>
#include <QStringList>

#include <cstdint>
#include <functional>

// The settings of one codec: a form of controls, each tied to one field of the record. Each codec's pane
// names its controls; this class lays them out and ties them.
class KLCodecPreferencesViewController : public KLPreferencesPane {
    Q_OBJECT

public:
    // One control of a codec's pane.
    struct Control {
        enum class Kind {
            Choice,  // one of `items()` (a mode, a speed preset)
            Number,  // typed, held to the field's range
            Tag,     // a four-character code
            Bitrate, // one of `rates` as "1200 kbps", or "Custom..." when `custom`
            Rate,    // one of `rates` as "44100"
        };
        QString label;
        Kind kind;
        QString key;
        std::function<QStringList()> items = {};
        QList<uint64_t> rates = {};
        bool custom = true;
    };

    static QStringList speedPresets();

protected:
    KLCodecPreferencesViewController(std::shared_ptr<KLPreferences> preferences,
                                     const QList<Control> &controls, QWidget *parent);

private:
    QWidget *controlFor(const Control &control);
};
