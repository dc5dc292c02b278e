#include "Views/Popovers/KLAddPopoverController.h"

#include "Views/Popovers/KLPopoverChoice.h"
#include "Views/Utils/KLTheme.h"

#include <QVBoxLayout>

KLAddPopoverController::KLAddPopoverController(bool showFirefox, bool showChrome, bool dark, QWidget *parent)
    : QWidget(parent), m_paste(new KLPopoverChoice(tr("Paste URL"), dark, this)),
      m_firefox(new KLPopoverChoice(tr("URL from Firefox"), dark, this)),
      m_chrome(new KLPopoverChoice(tr("URL from Chrome"), dark, this)) {
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    m_paste->setImageName(KLTheme(dark).image(QStringLiteral("icon-add-inactive")));
    m_firefox->setImageName(QStringLiteral("firefox.png"));
    m_firefox->setOffered(showFirefox);
    m_chrome->setImageName(QStringLiteral("chrome.png"));
    m_chrome->setOffered(showChrome);
    for (KLPopoverChoice *choice : {m_paste, m_firefox, m_chrome}) {
        layout->addWidget(choice);
    }
    connect(m_paste, &KLPopoverChoice::chosen, this, &KLAddPopoverController::pasteChosen);
    connect(m_firefox, &KLPopoverChoice::chosen, this, &KLAddPopoverController::firefoxChosen);
    connect(m_chrome, &KLPopoverChoice::chosen, this, &KLAddPopoverController::chromeChosen);
}
