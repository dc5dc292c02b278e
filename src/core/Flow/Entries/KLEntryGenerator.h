#pragma once

#include <QList>
#include <QUrl>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
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
    // Takes entries while generation goes on, so that their preparation and processing need not wait for
    // the rest of a long generation (a folder of many files).
    using EntrySink = std::function<void(const EntryList &entries)>;

    virtual ~KLEntryGenerator();

    virtual bool claimsURL(const QUrl &url) const;
    // A list (even an empty one) on success; nothing on failure, with the reason in `error` when known.
    virtual std::optional<EntryList> generateEntriesForURL(const QUrl &url, std::shared_ptr<KLError> *error);
    virtual void cancel();
    bool isCancelled() const { return m_cancelled.load(); }

    // Where entries found early go; without a sink they all come in the returned list.
    void setEntrySink(EntrySink sink);

    // Where found URLs are handed back (the application controller); nothing is handed back without one.
    static void setURLProcessor(const std::weak_ptr<KLURLProcessor> &processor);

protected:
    // Hands the addresses found inside `page` back to the intake, those that may be followed from it (see
    // KLAddressRules). False when there were some and every one was refused, with the reason in `refusal`.
    static bool handBackURLs(const QList<QUrl> &found, const QUrl &page, std::shared_ptr<KLError> *refusal);
    // Hands the entries to the sink; false (and nothing done) without one, when they belong in the list.
    bool deliverEarly(const EntryList &entries);

    std::atomic<bool> m_cancelled{false};

private:
    std::mutex m_sinkLock;
    EntrySink m_sink;
};
