#include "Views/Preferences/Controllers/KLPreferencesViewController.h"

#include "Model/Preferences/KLDefaultPreferences.h"
#include "Model/Preferences/KLPreferencesListener.h"
#include "Utils/KLLog.h"
#include "Views/Preferences/PreferenceViews/KLAudioCodecPreferencesViewController.h"
#include "Views/Preferences/PreferenceViews/KLAudioPreferencesViewController.h"
#include "Views/Preferences/PreferenceViews/KLConversionPreferencesViewController.h"
#include "Views/Preferences/PreferenceViews/KLGeneralPreferencesViewController.h"
#include "Views/Preferences/PreferenceViews/KLVideoCodecPreferencesViewController.h"
#include "Views/Preferences/PreferenceViews/KLVideoPreferencesViewController.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QMetaObject>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// Hears the record's level change for the container, for as long as the container is there.
class LevelListener final : public KLPreferencesListener {
public:
    explicit LevelListener(KLPreferencesViewController *container) : m_container(container) {}
    void preferencesDidChangeSettingsLevel(KLPreferences *, KLSettingsLevel) override {
        // The pane whose pop-up changed the level is still at work: the panes are rebuilt after it.
        const QPointer<KLPreferencesViewController> container = m_container;
        QMetaObject::invokeMethod(
            container,
            [container] {
                if (container != nullptr) {
                    container->rebuildPanes();
                }
            },
            Qt::QueuedConnection);
    }

private:
    QPointer<KLPreferencesViewController> m_container;
};

constexpr KLPreferencesViewController::Pane everyPane[] = {
    KLPreferencesViewController::Pane::General,    KLPreferencesViewController::Pane::Conversion,
    KLPreferencesViewController::Pane::Video,      KLPreferencesViewController::Pane::Audio,
    KLPreferencesViewController::Pane::VideoCodec, KLPreferencesViewController::Pane::AudioCodec};

} // namespace

KLPreferencesViewController::KLPreferencesViewController(std::shared_ptr<KLPreferences> preferences,
                                                         bool asAccessoryView, QWidget *parent)
    : QWidget(parent), m_preferences(std::move(preferences)), m_asAccessoryView(asAccessoryView),
      m_listener(std::make_shared<LevelListener>(this)), m_buttonGroup(new QButtonGroup(this)),
      m_paneArea(new QWidget(this)) {
    auto *buttons = new QHBoxLayout();
    buttons->setSpacing(2);
    buttons->addStretch();
    for (const Pane pane : everyPane) {
        auto *button = new QToolButton(this);
        button->setText(paneTitle(pane));
        button->setCheckable(true);
        button->setAutoRaise(true);
        button->setAccessibleName(paneTitle(pane));
        m_buttonGroup->addButton(button);
        connect(button, &QToolButton::clicked, this, [this, pane] { showPane(pane); });
        buttons->addWidget(button);
        m_buttons.push_back(button);
    }
    buttons->addStretch();
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(m_paneArea, 1);
    new QVBoxLayout(m_paneArea);
    m_paneArea->layout()->setContentsMargins(0, 0, 0, 0);
    m_preferences->addListener(m_listener);
    rebuildPanes();
    if (!m_asAccessoryView && std::dynamic_pointer_cast<KLDefaultPreferences>(m_preferences) != nullptr) {
        showPane(Pane::General);
    }
}

KLPreferencesViewController::~KLPreferencesViewController() {
    m_preferences->removeListener(m_listener);
}

QString KLPreferencesViewController::paneTitle(Pane pane) {
    switch (pane) {
    case Pane::General:
        return tr("General");
    case Pane::Conversion:
        return tr("Conversion");
    case Pane::Video:
        return tr("Video");
    case Pane::Audio:
        return tr("Audio");
    case Pane::VideoCodec:
        return tr("Video Codec");
    case Pane::AudioCodec:
        return tr("Audio Codec");
    }
    return QString();
}

std::vector<KLPreferencesViewController::Pane> KLPreferencesViewController::panes() const {
    std::vector<Pane> offered;
    if (!m_asAccessoryView && std::dynamic_pointer_cast<KLDefaultPreferences>(m_preferences) != nullptr) {
        offered.push_back(Pane::General);
    }
    offered.push_back(Pane::Conversion);
    KLSettingsLevel level = m_preferences->settingsLevel();
    if (level < KLSettingsLevel::Beginner || level > KLSettingsLevel::Expert) {
        KLLog::log(QStringLiteral("Invalid preferences setting level!"));
        level = KLSettingsLevel::Beginner;
    }
    if (level >= KLSettingsLevel::Advanced) {
        offered.insert(offered.end(), {Pane::Video, Pane::Audio});
    }
    if (level == KLSettingsLevel::Expert) {
        offered.insert(offered.end(), {Pane::VideoCodec, Pane::AudioCodec});
    }
    return offered;
}

QToolButton *KLPreferencesViewController::paneButton(Pane pane) const {
    return m_buttons.at(static_cast<size_t>(pane));
}

void KLPreferencesViewController::rebuildPanes() {
    const std::vector<Pane> offered = panes();
    for (const Pane pane : everyPane) {
        paneButton(pane)->setVisible(std::find(offered.begin(), offered.end(), pane) != offered.end());
    }
    showPane(Pane::Conversion);
}

KLPreferencesPane *KLPreferencesViewController::makePane(Pane pane) {
    switch (pane) {
    case Pane::General:
        if (const auto stored = std::dynamic_pointer_cast<KLDefaultPreferences>(m_preferences)) {
            auto *general = new KLGeneralPreferencesViewController(stored, m_paneArea);
            connect(general, &KLGeneralPreferencesViewController::reverted, this,
                    &KLPreferencesViewController::rebuildPanes, Qt::QueuedConnection);
            return general;
        }
        return nullptr;
    case Pane::Conversion:
        return new KLConversionPreferencesViewController(m_preferences, m_paneArea);
    case Pane::Video:
        return new KLVideoPreferencesViewController(m_preferences, m_paneArea);
    case Pane::Audio:
        return new KLAudioPreferencesViewController(m_preferences, m_paneArea);
    case Pane::VideoCodec:
        return new KLVideoCodecPreferencesViewController(m_preferences, m_paneArea);
    case Pane::AudioCodec:
        return new KLAudioCodecPreferencesViewController(m_preferences, m_paneArea);
    }
    return nullptr;
}

void KLPreferencesViewController::showPane(Pane pane) {
    if (m_currentView != nullptr) {
        // It may be the one whose control asked for this: it goes once that control is done.
        m_currentView->hide();
        m_currentView->deleteLater();
    }
    m_current = pane;
    m_currentView = makePane(pane);
    if (m_currentView != nullptr) {
        m_paneArea->layout()->addWidget(m_currentView);
        m_currentView->show();
    }
    paneButton(pane)->setChecked(true);
    if (m_resizeBlock) {
        m_resizeBlock();
    }
}
