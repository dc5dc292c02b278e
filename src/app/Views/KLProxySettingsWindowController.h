#pragma once

#include <QDialog>
#include <QStringList>

#include <memory>
#include <vector>

class KLDefaultPreferences;
class QCheckBox;
class QComboBox;
class QFormLayout;
class QGroupBox;
class QLineEdit;

// The "Proxy Settings" window: the proxy the downloads go through and the one the downloader's update goes
// through. Each control writes its preference as the user changes it (the preferences save themselves), so
// there is nothing to apply and closing the window loses nothing. Show it with show(); it is not modal and
// shows the stored values again each time it opens.
class KLProxySettingsWindowController final : public QDialog {
    Q_OBJECT

public:
    static inline const QStringList protocols = {QStringLiteral("HTTP"), QStringLiteral("HTTPS"),
                                                 QStringLiteral("SOCKS4"), QStringLiteral("SOCKS5")};

    // `preferences` is never null: the stored preferences the program uses.
    explicit KLProxySettingsWindowController(std::shared_ptr<KLDefaultPreferences> preferences,
                                             QWidget *parent = nullptr);
    ~KLProxySettingsWindowController() override;

    // Shows the stored values; the fields of a proxy are enabled only while its check box is on.
    void showPreferences();

    QCheckBox *useProxyCheckBox() const { return m_useProxyCheckBox; }
    QComboBox *protocolPopUp() const { return m_protocolPopUp; }
    QLineEdit *proxyHostField() const { return m_proxyHostField; }
    QLineEdit *proxyPortField() const { return m_proxyPortField; }
    QLineEdit *proxyUsernameField() const { return m_proxyUsernameField; }
    QLineEdit *proxyPasswordField() const { return m_proxyPasswordField; }
    QCheckBox *useUpdateProxyCheckBox() const { return m_useUpdateProxyCheckBox; }
    QLineEdit *updateProxyHostField() const { return m_updateProxyHostField; }
    QLineEdit *updateProxyPortField() const { return m_updateProxyPortField; }
    QLineEdit *updateProxyUsernameField() const { return m_updateProxyUsernameField; }
    QLineEdit *updateProxyPasswordField() const { return m_updateProxyPasswordField; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    using Getter = QString (KLDefaultPreferences::*)() const;
    using Setter = void (KLDefaultPreferences::*)(const QString &);
    // A text field, the preference it shows and the check box that enables it.
    struct TextBinding {
        QLineEdit *field;
        Getter get;
        QCheckBox *enabler;
    };

    QGroupBox *makeDownloadGroup();
    QGroupBox *makeUpdateGroup();
    QCheckBox *makeCheckBox(const QString &text, void (KLDefaultPreferences::*set)(bool));
    QLineEdit *makeTextField(const QString &accessibleName, Getter get, Setter set, QCheckBox *enabler);
    QLineEdit *makeHostField(const QString &accessibleName, Getter get, Setter set, QCheckBox *enabler);
    QLineEdit *makePortField(const QString &accessibleName, Getter get, Setter set, QCheckBox *enabler);
    // "Host: [...] Port: [...]" on one row.
    void addHostAndPortRow(QFormLayout *form, const QString &hostLabel, QLineEdit *host,
                           const QString &portLabel, QLineEdit *port);
    void setUpTabOrder();

    void protocolChosen(int index);

    std::shared_ptr<KLDefaultPreferences> m_preferences;
    std::vector<TextBinding> m_textBindings;

    QCheckBox *m_useProxyCheckBox = nullptr;
    QComboBox *m_protocolPopUp = nullptr;
    QLineEdit *m_proxyHostField = nullptr;
    QLineEdit *m_proxyPortField = nullptr;
    QLineEdit *m_proxyUsernameField = nullptr;
    QLineEdit *m_proxyPasswordField = nullptr;
    QCheckBox *m_useUpdateProxyCheckBox = nullptr;
    QLineEdit *m_updateProxyHostField = nullptr;
    QLineEdit *m_updateProxyPortField = nullptr;
    QLineEdit *m_updateProxyUsernameField = nullptr;
    QLineEdit *m_updateProxyPasswordField = nullptr;
};
