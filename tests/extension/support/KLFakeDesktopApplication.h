#pragma once

#include <QDBusMessage>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

// Stands in for the desktop program on the test's session bus: it holds the program's name and object and
// answers org.freedesktop.Application.Open by keeping the URIs it was handed, or refuses them or never
// answers when told.
class KLFakeDesktopApplication final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Application")

public:
    KLFakeDesktopApplication() = default;
    ~KLFakeDesktopApplication() override;

    // False when the name or the object could not be taken.
    bool start();
    QStringList openedURIs() const { return m_opened; }
    enum class Answer { Taken, Refused, None };
    // How every Open from now on is answered (its URIs are kept whatever the answer).
    void answerWith(Answer answer) { m_answer = answer; }

public Q_SLOTS:
    void Open(const QStringList &uris, const QVariantMap &platformData, const QDBusMessage &message);

private:
    QStringList m_opened;
    Answer m_answer = Answer::Taken;
    bool m_started = false;
};
