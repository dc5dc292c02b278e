#include "Utils/KLObjectRepository.h"

KLObjectRepository *KLObjectRepository::singleton() {
    // Lives until the process ends, as the services it holds do.
    static KLObjectRepository *const instance = new KLObjectRepository();
    return instance;
}

void KLObjectRepository::removeAllObjects() {
    m_objects.clear();
}

std::shared_ptr<KLKinolarkUtils> KLObjectRepository::getKinolarkUtils() const {
    return objectNamed<KLKinolarkUtils>(kinolarkUtilsName);
}

std::shared_ptr<KLDefaultPreferences> KLObjectRepository::getPreferences() const {
    return objectNamed<KLDefaultPreferences>(preferencesName);
}

std::shared_ptr<KLScriptManager> KLObjectRepository::getScriptManager() const {
    return objectNamed<KLScriptManager>(scriptManagerName);
}

std::shared_ptr<KLTaskManager> KLObjectRepository::getTaskManager() const {
    return objectNamed<KLTaskManager>(taskManagerName);
}

std::shared_ptr<KLPasswordManager> KLObjectRepository::getPasswordManager() const {
    return objectNamed<KLPasswordManager>(passwordManagerName);
}

std::shared_ptr<KLFFMPEGCommandFactory> KLObjectRepository::getFFMPEGParametersFactory() const {
    return objectNamed<KLFFMPEGCommandFactory>(ffmpegParametersFactoryName);
}

std::shared_ptr<KLQueuePersistence> KLObjectRepository::getQueuePersistence() const {
    return objectNamed<KLQueuePersistence>(queuePersistenceName);
}
