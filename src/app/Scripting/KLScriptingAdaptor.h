#pragma once

#include <QDBusAbstractAdaptor>
#include <QDBusMessage>

#include <memory>

class KLAppDelegate;

// The program's commands on the session bus (interface org.kinolark.KinolarkPro): analyse a URL, process
// all, pause and resume all, clear all, clear completed, and take the page a browser shows. Analyze returns
// at once; a missing or unusable URL is the error org.kinolark.KinolarkPro.Error.InvalidParameter with the
// controller's text.
class KLScriptingAdaptor final : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kinolark.KinolarkPro")

public:
    static inline const QString invalidParameterError =
        QStringLiteral("org.kinolark.KinolarkPro.Error.InvalidParameter");

    KLScriptingAdaptor(QObject *parent, std::weak_ptr<KLAppDelegate> delegate);

public Q_SLOTS:
    // The call's own message comes last: the error goes back as its answer.
    void Analyze(const QString &url, const QDBusMessage &message);
    void Analyze(const QDBusMessage &message);
    void ProcessAll();
    void ClearAll();
    void ClearCompleted();
    void PauseAll();
    void ResumeAll();
    void GrabFirefox();
    void GrabChrome();

private:
    void analyze(const std::optional<QString> &url, const QDBusMessage &message);
    std::shared_ptr<KLAppDelegate> delegate() const { return m_delegate.lock(); }

    std::weak_ptr<KLAppDelegate> m_delegate;
};
