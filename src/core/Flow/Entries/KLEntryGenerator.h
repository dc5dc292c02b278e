#pragma once

#include <QList>
#include <QUrl>

#include <atomic>
#include <memory>
#include <optional>
#include <vector>

class KLEntry;
class KLError;
class KLURLProcessor;

// Turns the URLs it claims into queue entries. Generation blocks while the generator's task runs; cancel()
// comes from another thread. This base claims nothing and generates nothing.
class KLEntryGenerator {
public:
    using EntryList = std::vector<std::shared_ptr<KLEntry>>;

    virtual ~KLEntryGenerator();

    virtual bool claimsURL(const QUrl &url) const;
    // A list (even an empty one) on success; nothing on failure, with the reason in `error` when known.
    virtual std::optional<EntryList> generateEntriesForURL(const QUrl &url, std::shared_ptr<KLError> *error);
    virtual void cancel();
    bool isCancelled() const { return m_cancelled.load(); }

    // Where found URLs are handed back (the application controller); nothing is handed back without one.
    static void setURLProcessor(const std::weak_ptr<KLURLProcessor> &processor);

protected:
    static void handBackURLs(const QList<QUrl> &urls);

    std::atomic<bool> m_cancelled{false};
};
