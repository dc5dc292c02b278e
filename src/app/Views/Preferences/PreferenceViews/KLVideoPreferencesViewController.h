#pragma once

#include "Views/Preferences/PreferenceViews/KLPreferencesPane.h"

class QCheckBox;
class QComboBox;

// The picture of the output: its codec (or the input's own) and its size: the input's own, one of the
// common sizes or one of the user's, as a target or as a maximum, with or without the input's shape.
class KLVideoPreferencesViewController final : public KLPreferencesPane {
    Q_OBJECT

public:
    explicit KLVideoPreferencesViewController(std::shared_ptr<KLPreferences> preferences,
                                              QWidget *parent = nullptr);

    void setupWithPreferences() override;

    QComboBox *codecPopUp() const { return m_codec; }
    QCheckBox *keepCodecCheckBox() const { return m_keepCodec; }
    QComboBox *resolutionPopUp() const { return m_resolution; }
    QCheckBox *keepResolutionCheckBox() const { return m_keepResolution; }
    QCheckBox *maximumCheckBox() const { return m_maximum; }
    QCheckBox *aspectRatioCheckBox() const { return m_aspectRatio; }

    void onResolution(int index);
    void onKeepResolution(bool keep);
    void onMaximum(bool maximum);

private:
    static QString sizeText(const QSizeF &size);

    QComboBox *m_codec;
    QCheckBox *m_keepCodec;
    QComboBox *m_resolution;
    QCheckBox *m_keepResolution;
    QCheckBox *m_maximum;
    QCheckBox *m_aspectRatio;
};
