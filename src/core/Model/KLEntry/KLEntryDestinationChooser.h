#pragma once

#include <QString>

#include <functional>
#include <memory>
#include <optional>

class KLEntry;
class KLPreferences;

// Asks the user where an entry's output goes (the save sheet of the window), when downloads do not start
// automatically. The answer comes back later, on any thread: the chosen path without extension, or nothing
// when the user dismissed the question. `preferences` is the run's own copy, which the user may edit for
// this entry alone before answering.
class KLEntryDestinationChooser {
public:
    using Answer = std::function<void(std::optional<QString> chosenPath)>;

    virtual ~KLEntryDestinationChooser() = default;

    virtual void chooseDestinationForEntry(const std::shared_ptr<KLEntry> &entry,
                                           const std::shared_ptr<KLPreferences> &preferences,
                                           const QString &proposedName, const QString &initialFolder,
                                           Answer answer) = 0;
};
