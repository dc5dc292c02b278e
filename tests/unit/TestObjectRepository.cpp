#include "Utils/KLKinolarkUtils.h"
#include "Utils/KLObjectRepository.h"
#include "Utils/KLScriptManager.h"

#include <gtest/gtest.h>

TEST(ObjectRepository, GettersAreNilUntilAddedAndAddingReplaces) {
    KLObjectRepository *repository = KLObjectRepository::singleton();
    repository->removeAllObjects();
    EXPECT_EQ(repository->getScriptManager(), nullptr);
    EXPECT_EQ(repository->getKinolarkUtils(), nullptr);
    EXPECT_EQ(repository->getPreferences(), nullptr);
    EXPECT_EQ(repository->getTaskManager(), nullptr);
    EXPECT_EQ(repository->getPasswordManager(), nullptr);
    EXPECT_EQ(repository->getFFMPEGParametersFactory(), nullptr);
    EXPECT_EQ(repository->getQueuePersistence(), nullptr);

    auto first = std::make_shared<KLScriptManager>();
    auto second = std::make_shared<KLScriptManager>();
    repository->addObject(first, KLObjectRepository::scriptManagerName);
    EXPECT_EQ(repository->getScriptManager(), first);
    repository->addObject(second, KLObjectRepository::scriptManagerName);
    EXPECT_EQ(repository->getScriptManager(), second);

    // An object of another kind under a service's name is not handed out as that service.
    repository->addObject(std::make_shared<KLKinolarkUtils>(), KLObjectRepository::scriptManagerName);
    EXPECT_EQ(repository->getScriptManager(), nullptr);
    repository->removeAllObjects();
}
