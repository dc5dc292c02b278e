#pragma once

#include <QList>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class KLEntry;
class KLError;

// Turns the URLs it claims into queue entries. Generation runs on the main thread, driven by the tasks it
// starts, and ends by calling its handler exactly once; cancel() stops it where it can, and the handler then
// reports nothing. This base claims nothing and generates nothing.
class KLEntryGenerator {
public:
    using EntryList = std::vector<std::shared_ptr<KLEntry>>;
    // Takes entries while generation goes on, so that their preparation and processing need not wait for
    // the rest of a long generation (a folder of many files).
    using EntrySink = std::function<void(const EntryList &entries)>;

    // What came of one URL.
    struct Generation {
        // A list (even an empty one) on success; nothing on failure or cancellation.
        std::optional<EntryList> entries;
        // Why nothing came of the URL, when known.
        std::shared_ptr<KLError> error;
        // Addresses found inside the page (playlist items, scraped links) that may be followed from it (see
        // KLAddressRules), for the intake to analyse afresh.
        QList<QUrl> handedBack;
    };
    using GenerationHandler = std::function<void(Generation generation)>;

    virtual ~KLEntryGenerator();

    virtual bool claimsURL(const QUrl &url) const;
    // Generates the entries for the URL and hands what came of it to `done`, at once or later.
    virtual void generateEntriesForURL(const QUrl &url, GenerationHandler done);
    virtual void cancel();
    bool isCancelled() const { return m_cancelled; }

    // Where entries found early go; without a sink they all come in the returned list.
    void setEntrySink(EntrySink sink);

protected:
    // Puts the addresses found inside `page` that may be followed from it into the generation's hand-backs.
    // False when there were some and every one was refused, with the reason in the generation's error.
    static bool handBackURLs(const QList<QUrl> &found, const QUrl &page, Generation &generation);
    // Hands the entries to the sink; false (and nothing done) without one, when they belong in the list.
    bool deliverEarly(const EntryList &entries);

    bool m_cancelled = false;

private:
    EntrySink m_sink;
};
