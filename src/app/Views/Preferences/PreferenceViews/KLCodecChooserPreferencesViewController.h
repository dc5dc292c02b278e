#pragma once

#include "Views/Preferences/PreferenceViews/Codecs/KLCodecPreferencesViewController.h"
#include "Views/Preferences/PreferenceViews/KLPreferencesPane.h"

#include <QPointer>

class QComboBox;
class QVBoxLayout;

// A codec pop-up over the settings of the chosen codec. Choosing a codec here only chooses whose settings
// show: the codec the output uses is chosen in the video and audio panes.
class KLCodecChooserPreferencesViewController : public KLPreferencesPane {
    Q_OBJECT

public:
    QComboBox *codecPopUp() const { return m_codec; }
    KLCodecPreferencesViewController *codecPane() const { return m_pane; }
    void showCodec(const QString &codec);

protected:
    KLCodecChooserPreferencesViewController(std::shared_ptr<KLPreferences> preferences,
                                            const QStringList &codecs, const QString &current,
                                            QWidget *parent);

private:
    QComboBox *m_codec;
    QVBoxLayout *m_layout;
    QPointer<KLCodecPreferencesViewController> m_pane;
};
