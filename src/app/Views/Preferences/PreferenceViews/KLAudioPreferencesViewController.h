#pragma once

#include "Model/Preferences/KLAudioMode.h"
#include "Views/Preferences/PreferenceViews/KLPreferencesPane.h"

class QCheckBox;
class QComboBox;
class QRadioButton;

// The sound of the output: its codec (or the input's own) and its channels (mono, stereo or the input's own).
class KLAudioPreferencesViewController final : public KLPreferencesPane {
    Q_OBJECT

public:
    explicit KLAudioPreferencesViewController(std::shared_ptr<KLPreferences> preferences,
                                              QWidget *parent = nullptr);

    void setupWithPreferences() override;

    QComboBox *codecPopUp() const { return m_codec; }
    QRadioButton *monoButton() const { return m_mono; }
    QRadioButton *stereoButton() const { return m_stereo; }

private:
    void onChannels(KLAudioMode mode);

    QComboBox *m_codec;
    QCheckBox *m_keepCodec;
    QRadioButton *m_mono;
    QRadioButton *m_stereo;
    QCheckBox *m_keepChannels;
};
