#pragma once

#include <QString>

#include <any>
#include <map>
#include <memory>

class KLKinolarkUtils;
class KLDefaultPreferences;
class KLScriptManager;
class KLTaskManager;
class KLPasswordManager;
class KLFFMPEGCommandFactory;
class KLQueuePersistence;

// The process-wide registry of the shared services, each stored under a fixed name: the launch registers
// the services it makes for the program (see KLServices, which is how the parts get them). Main thread only.
class KLObjectRepository final {
public:
    static inline const QString kinolarkUtilsName = QStringLiteral("kinolarkUtils");
    static inline const QString preferencesName = QStringLiteral("preferences");
    static inline const QString scriptManagerName = QStringLiteral("scriptManager");
    static inline const QString taskManagerName = QStringLiteral("taskManager");
    static inline const QString passwordManagerName = QStringLiteral("passwordManager");
    static inline const QString ffmpegParametersFactoryName = QStringLiteral("ffmpegParametersFactory");
    static inline const QString queuePersistenceName = QStringLiteral("queuePersistence");

    static KLObjectRepository *singleton();

    // Stores the object under the name, replacing whatever was stored there.
    template <class T> void addObject(std::shared_ptr<T> object, const QString &name) {
        m_objects.insert_or_assign(name, std::any(std::move(object)));
    }

    // Forgets every service (used when a process, or a test, starts afresh).
    void removeAllObjects();

    std::shared_ptr<KLKinolarkUtils> getKinolarkUtils() const;
    std::shared_ptr<KLDefaultPreferences> getPreferences() const;
    std::shared_ptr<KLScriptManager> getScriptManager() const;
    std::shared_ptr<KLTaskManager> getTaskManager() const;
    std::shared_ptr<KLPasswordManager> getPasswordManager() const;
    std::shared_ptr<KLFFMPEGCommandFactory> getFFMPEGParametersFactory() const;
    std::shared_ptr<KLQueuePersistence> getQueuePersistence() const;

private:
    KLObjectRepository() = default;

    // Nil when nothing, or an object of another kind, is stored under the name.
    template <class T> std::shared_ptr<T> objectNamed(const QString &name) const {
        auto found = m_objects.find(name);
        if (found == m_objects.end()) {
            return nullptr;
        }
        const auto *object = std::any_cast<std::shared_ptr<T>>(&found->second);
        return object != nullptr ? *object : nullptr;
    }

    std::map<QString, std::any> m_objects;
};
