#pragma once

#include <functional>
#include <memory>

class KLApplicationUI;

// A change of the user interface asked for from any thread: it runs on the main thread later, and the
// interface is kept alive until it has run.
class KLUIChange final {
public:
    using Change = std::function<void(KLApplicationUI &ui)>;

    static void post(const std::shared_ptr<KLApplicationUI> &ui, Change change);
};
