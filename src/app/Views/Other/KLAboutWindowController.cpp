#include "Views/Other/KLAboutWindowController.h"

#include "Utils/KLKinolarkUtils.h"
#include "Utils/KLResources.h"
#include "Views/Utils/KLFixedSizeWindow.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTimer>
#include <QVBoxLayout>

namespace {

// A tool that has not answered by then is taken for broken.
constexpr int versionTimeoutMilliseconds = 15000;
constexpr double nameScale = 1.6;
// Which label a running tool's answer goes to.
constexpr const char *labelProperty = "versionLabel";

QLabel *selectableLabel(const QString &text) {
    auto *label = new QLabel(text);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

} // namespace

KLAboutWindowController::KLAboutWindowController(QWidget *parent)
    : QDialog(parent),
      m_versionLabel(selectableLabel(tr("Version %1").arg(QStringLiteral(KINOLARK_APP_VERSION)))),
      m_downloaderVersionLabel(selectableLabel(QString())), m_ffmpegVersionLabel(selectableLabel(QString())) {
    setWindowTitle(tr("About KinolarkPro"));
    auto *name = new QLabel(QStringLiteral("KinolarkPro"));
    QFont nameFont = name->font();
    nameFont.setBold(true);
    nameFont.setPointSizeF(nameFont.pointSizeF() * nameScale);
    name->setFont(nameFont);
    // The licence as the package states it.
    auto *licence =
        new QLabel(tr("Licence: proprietary. All rights reserved: KinolarkPro may be installed and "
                      "used, but neither it nor any part of it may be redistributed or modified "
                      "without the written permission of the copyright holders."));
    licence->setWordWrap(true);
    m_downloaderVersionLabel->setAccessibleName(QStringLiteral("yt-dlp"));
    m_ffmpegVersionLabel->setAccessibleName(QStringLiteral("ffmpeg"));
    auto *tools = new QFormLayout;
    tools->addRow(QStringLiteral("yt-dlp:"), m_downloaderVersionLabel);
    tools->addRow(QStringLiteral("ffmpeg:"), m_ffmpegVersionLabel);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 20, 20, 12);
    layout->setSpacing(10);
    layout->addWidget(name);
    layout->addWidget(m_versionLabel);
    layout->addWidget(licence);
    layout->addLayout(tools);
    layout->addWidget(buttons);
    // Room for the licence in a few lines, and for a tool's long version line.
    layout->addStrut(fontMetrics().averageCharWidth() * 60);
    KLFixedSizeWindow::apply(this, layout);
}

KLAboutWindowController::~KLAboutWindowController() {
    // A tool still running is stopped without its end reaching the labels, which go before their children.
    for (QProcess *process : findChildren<QProcess *>()) {
        process->disconnect();
        delete process;
    }
}

void KLAboutWindowController::showEvent(QShowEvent *event) {
    // The tools may have been installed or updated since the window was last open.
    askVersion(downloaderProgram(), QStringLiteral("--version"), m_downloaderVersionLabel);
    askVersion(KLResources::ffmpegPath(), QStringLiteral("-version"), m_ffmpegVersionLabel);
    QDialog::showEvent(event);
}

QString KLAboutWindowController::downloaderProgram() {
    const QString launcher = KLKinolarkUtils::getYTDLPath();
    return QFileInfo(launcher).isExecutable() ? launcher
                                              : QStandardPaths::findExecutable(QStringLiteral("yt-dlp"));
}

void KLAboutWindowController::askVersion(const QString &program, const QString &argument, QLabel *label) {
    // An answer still awaited from the last opening would come after this one's.
    for (QProcess *earlier : findChildren<QProcess *>()) {
        if (earlier->property(labelProperty).value<QObject *>() == label) {
            earlier->disconnect();
            earlier->deleteLater();
        }
    }
    label->setText(tr("asking..."));
    if (program.isEmpty()) {
        label->setText(notFound);
        return;
    }
    auto *process = new QProcess(this);
    process->setProperty(labelProperty, QVariant::fromValue<QObject *>(label));
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    connect(process, &QProcess::finished, label, [process, label](int exitCode, QProcess::ExitStatus status) {
        const QString first = QString::fromLocal8Bit(process->readAllStandardOutput())
                                  .section(QLatin1Char('\n'), 0, 0)
                                  .trimmed();
        const bool answered = status == QProcess::NormalExit && exitCode == 0 && !first.isEmpty();
        label->setText(answered ? KLKinolarkUtils::printableText(first) : notFound);
        process->deleteLater();
    });
    connect(process, &QProcess::errorOccurred, label, [process, label](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) {
            label->setText(notFound);
            process->deleteLater();
        }
    });
    // A tool that hangs is stopped; its end then reads as not found.
    QTimer::singleShot(versionTimeoutMilliseconds, process, [process] { process->kill(); });
    process->start(program, {argument});
}
