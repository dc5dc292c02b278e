#include "App/KLUIChange.h"

#include "App/KLApplicationUI.h"
#include "Utils/KLDispatch.h"

void KLUIChange::post(const std::shared_ptr<KLApplicationUI> &ui, Change change) {
    KLDispatch::async([ui, change = std::move(change)] { change(*ui); });
}
