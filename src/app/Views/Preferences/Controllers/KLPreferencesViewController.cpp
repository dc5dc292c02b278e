#include "Views/Preferences/Controllers/KLPreferencesViewController.h"

#include "Model/Preferences/KLDefaultPreferences.h"
#include "Model/Preferences/KLPreferencesListener.h"
#include "Utils/KLLog.h"
#include "Views/Preferences/Controllers/KLPreferencesPaneBar.h"
#include "Views/Preferences/PreferenceViews/KLAudioCodecPreferencesViewController.h"
#include "Views/Preferences/PreferenceViews/KLAudioPreferencesViewController.h"
#include "Views/Preferences/PreferenceViews/KLConversionPreferencesViewController.h"
#include "Views/Preferences/PreferenceViews/KLGeneralPreferencesViewController.h"
#include "Views/Preferences/PreferenceViews/KLPaneLabels.h"
#include "Views/Preferences/PreferenceViews/KLVideoCodecPreferencesViewController.h"
#include "Views/Preferences/PreferenceViews/KLVideoPreferencesViewController.h"

#include <QMetaObject>
#include <QShortcut>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

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
                                                         bool asAccessoryView, QWidget *parent,
                                                         std::shared_ptr<KLKeptDownloads> keptDownloads)
    : QWidget(parent), m_preferences(std::move(preferences)), m_asAccessoryView(asAccessoryView),
      m_keptDownloads(std::move(keptDownloads)), m_listener(std::make_shared<LevelListener>(this)),
      m_paneArea(new QWidget(this)) {
    QStringList titles;
    for (const Pane pane : everyPane) {
        titles << paneTitle(pane);
    }
    m_bar = new KLPreferencesPaneBar(titles, this);
    connect(m_bar, &KLPreferencesPaneBar::chosen, this, [this](int index, bool intoPane) {
        showPane(static_cast<Pane>(index), intoPane ? Focus::IntoPane : Focus::Stay);
    });
    const std::pair<QKeySequence, int> steps[] = {{QKeySequence(Qt::CTRL | Qt::Key_Tab), 1},
                                                  {QKeySequence(Qt::CTRL | Qt::Key_PageDown), 1},
                                                  {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab), -1},
                                                  {QKeySequence(Qt::CTRL | Qt::Key_PageUp), -1}};
    for (const auto &[keys, step] : steps) {
        new QShortcut(keys, this, [this, step = step] { stepPane(step); });
    }
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_bar);
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
    return m_bar->button(static_cast<int>(pane));
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
            auto *general = new KLGeneralPreferencesViewController(stored, m_keptDownloads, m_paneArea);
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

void KLPreferencesViewController::showPane(Pane pane, Focus focus) {
    if (m_currentView != nullptr) {
        // The focus in the pane that goes would otherwise fall on whatever control comes next.
        if (m_currentView->isAncestorOf(window()->focusWidget())) {
            focus = Focus::IntoPane;
        }
        // It may be the one whose control asked for this: it goes once that control is done.
        m_currentView->hide();
        m_currentView->deleteLater();
    }
    m_current = pane;
    m_currentView = makePane(pane);
    if (m_currentView != nullptr) {
        m_paneArea->layout()->addWidget(m_currentView);
        m_currentView->show();
        KLPaneLabels::tie(m_currentView);
    }
    m_bar->setCurrent(static_cast<int>(pane));
    if (focus == Focus::IntoPane) {
        focusFirstControl();
    }
    if (m_resizeBlock) {
        m_resizeBlock();
    }
}

void KLPreferencesViewController::stepPane(int step) {
    const std::vector<Pane> offered = panes();
    const auto count = static_cast<std::ptrdiff_t>(offered.size());
    const std::ptrdiff_t at = std::find(offered.begin(), offered.end(), m_current) - offered.begin();
    showPane(offered[static_cast<size_t>((at + step + count) % count)], Focus::IntoPane);
}

void KLPreferencesViewController::focusFirstControl() {
    // The pane's controls come in the focus chain in the order it made them.
    for (QWidget *next = m_currentView != nullptr ? m_currentView->nextInFocusChain() : nullptr;
         next != nullptr && next != m_currentView; next = next->nextInFocusChain()) {
        if (m_currentView->isAncestorOf(next) && next->isVisibleTo(m_currentView) && next->isEnabled() &&
            (next->focusPolicy() & Qt::TabFocus) == Qt::TabFocus) {
            next->setFocus(Qt::TabFocusReason);
            return;
        }
    }
    // A pane with nothing to change (the video pane of sound only) leaves the user on its button.
    paneButton(m_current)->setFocus(Qt::TabFocusReason);
}
