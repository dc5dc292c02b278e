#include "App/KLControllerState.h"

#include "App/KLApplicationUI.h"
#include "App/KLEntryTableController.h"

KLControllerState::KLControllerState(std::shared_ptr<KLApplicationUI> userInterface)
    : ui(userInterface != nullptr ? std::move(userInterface) : std::make_shared<KLApplicationUI>()),
      tableController(std::make_shared<KLEntryTableController>()) {
    tableController->setUI(ui);
}
