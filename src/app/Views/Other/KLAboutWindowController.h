#pragma once

#include <QDialog>

class QLabel;
class QProcess;

// "About KinolarkPro": the program's name, version and licence, and the versions of the tools it works
// with, as they answer now. The tools are asked each time the window opens, in the background: a tool
// that is slow to start never holds up the window, and one that is missing or fails reads "not found".
class KLAboutWindowController final : public QDialog {
    Q_OBJECT

public:
    static inline const QString notFound = QStringLiteral("not found");

    explicit KLAboutWindowController(QWidget *parent = nullptr);
    ~KLAboutWindowController() override;

    QLabel *versionLabel() const { return m_versionLabel; }
    QLabel *downloaderVersionLabel() const { return m_downloaderVersionLabel; }
    QLabel *ffmpegVersionLabel() const { return m_ffmpegVersionLabel; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    // Runs the program with the argument and shows the first line it prints in the label.
    void askVersion(const QString &program, const QString &argument, QLabel *label);
    // The downloader the program runs: its launcher, else the yt-dlp on the search path.
    static QString downloaderProgram();

    QLabel *m_versionLabel;
    QLabel *m_downloaderVersionLabel;
    QLabel *m_ffmpegVersionLabel;
};
