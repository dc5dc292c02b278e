#include "App/KLControllerState.h"

#include "App/KLApplicationUI.h"
#include "App/KLEntryTableController.h"
#include "Utils/KLServices.h"

KLControllerState::KLControllerState(std::shared_ptr<KLApplicationUI> userInterface)
    : ui(userInterface != nullptr ? std::move(userInterface) : std::make_shared<KLApplicationUI>()),
      services(std::make_shared<KLServices>()),
      tableController(std::make_shared<KLEntryTableController>(services)) {
    tableController->setUI(ui);
}
