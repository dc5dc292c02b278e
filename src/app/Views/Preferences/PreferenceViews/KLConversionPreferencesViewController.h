#pragma once

#include "Views/Preferences/PreferenceViews/KLPreferencesPane.h"

class QCheckBox;
class QComboBox;
class QLabel;

// What happens to a video: how much the panes show (the level), which streams the output keeps, the device
// it is for, the container it goes into, and whether subtitles come along.
class KLConversionPreferencesViewController final : public KLPreferencesPane {
    Q_OBJECT

public:
    explicit KLConversionPreferencesViewController(std::shared_ptr<KLPreferences> preferences,
                                                   QWidget *parent = nullptr);

    void setupWithPreferences() override;

    QComboBox *levelPopUp() const { return m_level; }
    QComboBox *modePopUp() const { return m_mode; }
    QComboBox *outputForPopUp() const { return m_outputFor; }
    QComboBox *convertToPopUp() const { return m_convertTo; }
    QCheckBox *subtitlesCheckBox() const { return m_subtitles; }
    QLabel *warning() const { return m_warning; }

    void onLevel(int index);
    void onMode(int index);
    void onOutputFor(int index);
    void onConvertTo(int index);

private:
    QComboBox *m_level;
    QComboBox *m_mode;
    QComboBox *m_outputFor;
    QLabel *m_convertToLabel;
    QComboBox *m_convertTo;
    QCheckBox *m_subtitles;
    QLabel *m_subtitlesNote;
    QLabel *m_warning;
};
