// The factory's chain: which generators are asked, whose answer counts, which error the caller gets, and
// how a cancellation (before, during, while a generator works) ends the generation. Generators are
// stand-ins.
#include "Flow/Entries/Generators/KLFileEntry.h"
#include "Flow/Entries/Generators/KLFileEntryGenerator.h"
#include "Flow/Entries/Generators/KLScrapperGenerator.h"
#include "Flow/Entries/Generators/KLYTDLGenerator.h"
#include "Flow/Entries/Generators/KLYoutubeGenerator.h"
#include "Flow/Entries/KLEntryFactory.h"
#include "KLGenerationRun.h"
#include "Model/KLTask/KLError.h"

#include <QStringList>
#include <QtGlobal>

#include "Utils/KLServices.h"

#include <gtest/gtest.h>

#include <functional>
#include <mutex>

using EntryList = KLEntryFactory::EntryList;

namespace {

// What the stand-ins did, in order.
class Journal final {
public:
    void add(const QString &event) { m_events << event; }
    QStringList events() const { return m_events; }

private:
    QStringList m_events;
};

class StandInGenerator final : public KLEntryGenerator {
public:
    StandInGenerator(QString name, Journal &journal, bool claims, std::optional<EntryList> entries,
                     std::shared_ptr<KLError> error = nullptr)
        : m_name(std::move(name)), m_journal(journal), m_claims(claims), m_entries(std::move(entries)),
          m_error(std::move(error)) {}

    // Runs while the generator works, before it answers.
    void setWork(std::function<void(StandInGenerator &)> work) { m_work = std::move(work); }
    // Answers only when cancelled, as a generator whose task is stopped does; its answer then still holds
    // what it found, which the factory must not take.
    void answerWhenCancelled() { m_holdsAnswer = true; }

    bool claimsURL(const QUrl &) const override { return m_claims; }
    void generateEntriesForURL(const QUrl &, GenerationHandler done) override {
        m_journal.add(m_name);
        if (m_work) {
            m_work(*this);
        }
        if (m_holdsAnswer) {
            m_held = std::move(done);
        } else {
            done(answer());
        }
    }
    void cancel() override {
        m_cancelled = true;
        m_journal.add(m_name + QStringLiteral(" cancelled"));
        if (const GenerationHandler held = std::exchange(m_held, nullptr)) {
            held(answer());
        }
    }

private:
    const QString m_name;
    Journal &m_journal;
    const bool m_claims;
    const std::optional<EntryList> m_entries;
    const std::shared_ptr<KLError> m_error;
    std::function<void(StandInGenerator &)> m_work;
    bool m_holdsAnswer = false;
    GenerationHandler m_held;

    Generation answer() const { return Generation{m_entries, m_error, {}}; }
};

// Collects the diagnostic lines written while it lives.
class LogCapture final {
public:
    LogCapture() {
        std::lock_guard lock(s_lock);
        s_lines.clear();
        m_previous = qInstallMessageHandler(&LogCapture::handle);
    }
    ~LogCapture() { qInstallMessageHandler(m_previous); }
    static QStringList lines() {
        std::lock_guard lock(s_lock);
        return s_lines;
    }

private:
    static void handle(QtMsgType, const QMessageLogContext &, const QString &message) {
        std::lock_guard lock(s_lock);
        s_lines << message;
    }
    static inline std::mutex s_lock;
    static inline QStringList s_lines;
    QtMessageHandler m_previous = nullptr;
};

EntryList oneEntry() {
    return {std::make_shared<KLFileEntry>()};
}

std::shared_ptr<KLError> failure(const QString &text) {
    return KLError::create(KLError::downloadAnalysisType, text);
}

const QUrl page(QStringLiteral("https://example.org/page"));

class EntryFactoryTest : public ::testing::Test {
protected:
    std::shared_ptr<StandInGenerator> add(const QString &name, bool claims, std::optional<EntryList> entries,
                                          std::shared_ptr<KLError> error = nullptr) {
        auto generator =
            std::make_shared<StandInGenerator>(name, m_journal, claims, std::move(entries), std::move(error));
        m_chain.push_back(generator);
        return generator;
    }

    Journal m_journal;
    KLEntryFactory::Generators m_chain;
};

} // namespace

TEST_F(EntryFactoryTest, TheFirstClaimingGeneratorThatSucceedsAnswers) {
    const EntryList found = oneEntry();
    add(QStringLiteral("declines"), false, oneEntry());
    add(QStringLiteral("fails"), true, std::nullopt, failure(QStringLiteral("unreadable")));
    add(QStringLiteral("lists and fails"), true, oneEntry(), failure(QStringLiteral("half read")));
    add(QStringLiteral("succeeds"), true, found);
    add(QStringLiteral("never asked"), true, oneEntry());
    KLEntryFactory factory(m_chain);
    LogCapture log;

    std::shared_ptr<KLError> error;
    const std::optional<EntryList> entries = KLGenerationRun::generate(factory, page, &error);

    ASSERT_TRUE(entries.has_value());
    EXPECT_EQ(*entries, found);
    EXPECT_EQ(error, nullptr);
    EXPECT_EQ(m_journal.events(), QStringList({QStringLiteral("fails"), QStringLiteral("lists and fails"),
                                               QStringLiteral("succeeds")}));
    // An error beside a list is a failure as well.
    EXPECT_EQ(log.lines(), QStringList({QStringLiteral("Generator Error: 1: unreadable"),
                                        QStringLiteral("Generator Error: 1: half read")}));
}

TEST_F(EntryFactoryTest, AnEmptyListIsSuccess) {
    add(QStringLiteral("empty"), true, EntryList{});
    add(QStringLiteral("never asked"), true, oneEntry());
    KLEntryFactory factory(m_chain);

    std::shared_ptr<KLError> error;
    const std::optional<EntryList> entries = KLGenerationRun::generate(factory, page, &error);

    ASSERT_TRUE(entries.has_value());
    EXPECT_TRUE(entries->empty());
    EXPECT_EQ(m_journal.events(), QStringList({QStringLiteral("empty")}));
}

TEST_F(EntryFactoryTest, WhenAllFailTheLastClaimingGeneratorsErrorIsHandedOn) {
    const std::shared_ptr<KLError> last = failure(QStringLiteral("last"));
    {
        add(QStringLiteral("first"), true, std::nullopt, failure(QStringLiteral("first")));
        add(QStringLiteral("last"), true, std::nullopt, last);
        add(QStringLiteral("declines"), false, std::nullopt, failure(QStringLiteral("not asked")));
        std::shared_ptr<KLError> error;
        EXPECT_FALSE(KLGenerationRun::generate(KLEntryFactory(m_chain), page, &error).has_value());
        EXPECT_EQ(error, last);
    }
    m_chain.clear();
    {
        // The last claiming generator gave no reason: the earlier one's tells why nothing came.
        const std::shared_ptr<KLError> first = failure(QStringLiteral("first"));
        add(QStringLiteral("first"), true, std::nullopt, first);
        add(QStringLiteral("silent"), true, std::nullopt);
        LogCapture log;
        std::shared_ptr<KLError> error = failure(QStringLiteral("left from before"));
        EXPECT_FALSE(KLGenerationRun::generate(KLEntryFactory(m_chain), page, &error).has_value());
        EXPECT_EQ(error, first);
        // The log names what happened rather than a missing reason.
        EXPECT_TRUE(log.lines().contains(QStringLiteral("Generator Error: nothing usable found at %1 (%2)")
                                             .arg(page.toString(), first->description())))
            << log.lines().join(QLatin1Char('\n')).toStdString();
    }
    m_chain.clear();
    {
        add(QStringLiteral("declines"), false, oneEntry());
        std::shared_ptr<KLError> error;
        EXPECT_FALSE(KLGenerationRun::generate(KLEntryFactory(m_chain), page, &error).has_value());
        EXPECT_EQ(error, nullptr);
    }
}

TEST_F(EntryFactoryTest, ACancelledFactoryCancelsEveryGeneratorAndAsksNone) {
    const auto first = add(QStringLiteral("first"), true, oneEntry());
    const auto second = add(QStringLiteral("second"), false, oneEntry());
    KLEntryFactory factory(m_chain);
    EXPECT_FALSE(factory.isCancelled());

    factory.cancel();

    EXPECT_TRUE(factory.isCancelled());
    EXPECT_TRUE(first->isCancelled());
    EXPECT_TRUE(second->isCancelled());
    std::shared_ptr<KLError> error;
    EXPECT_FALSE(KLGenerationRun::generate(factory, page, &error).has_value());
    EXPECT_EQ(error, nullptr);
    EXPECT_EQ(m_journal.events(),
              QStringList({QStringLiteral("first cancelled"), QStringLiteral("second cancelled")}));
}

TEST_F(EntryFactoryTest, ACancellationDuringAGeneratorDiscardsItsAnswerAndStopsTheChain) {
    for (const bool succeeds : {true, false}) {
        m_chain.clear();
        const auto working = add(QStringLiteral("working"), true,
                                 succeeds ? std::optional<EntryList>(oneEntry()) : std::nullopt,
                                 succeeds ? nullptr : failure(QStringLiteral("terminated")));
        add(QStringLiteral("next"), true, oneEntry());
        KLEntryFactory factory(m_chain);
        working->setWork([&factory](StandInGenerator &) { factory.cancel(); });

        std::shared_ptr<KLError> error;
        EXPECT_FALSE(KLGenerationRun::generate(factory, page, &error).has_value()) << succeeds;
        EXPECT_EQ(error, nullptr) << succeeds;
        EXPECT_FALSE(m_journal.events().contains(QStringLiteral("next"))) << succeeds;
    }
}

TEST_F(EntryFactoryTest, ACancelReachesTheWorkingGeneratorAndEndsTheGeneration) {
    const auto working = add(QStringLiteral("working"), true, oneEntry());
    working->answerWhenCancelled();
    add(QStringLiteral("next"), true, oneEntry());
    KLEntryFactory factory(m_chain);

    std::optional<KLEntryGenerator::Generation> answer;
    factory.generateEntriesForURL(
        page, [&answer](KLEntryGenerator::Generation generation) { answer = std::move(generation); });
    EXPECT_FALSE(answer.has_value());
    factory.cancel();

    ASSERT_TRUE(answer.has_value());
    EXPECT_FALSE(answer->entries.has_value());
    EXPECT_EQ(answer->error, nullptr);
    EXPECT_FALSE(m_journal.events().contains(QStringLiteral("next")));
}

TEST(EntryFactoryChain, YoutubeThenYoutubeDLThenFilesThenScraping) {
    const KLEntryFactory factory(std::make_shared<KLServices>());
    const KLEntryFactory::Generators &chain = factory.generators();
    ASSERT_EQ(chain.size(), 4u);
    EXPECT_NE(std::dynamic_pointer_cast<KLYoutubeGenerator>(chain[0]), nullptr);
    EXPECT_NE(std::dynamic_pointer_cast<KLYTDLGenerator>(chain[1]), nullptr);
    EXPECT_NE(std::dynamic_pointer_cast<KLFileEntryGenerator>(chain[2]), nullptr);
    EXPECT_NE(std::dynamic_pointer_cast<KLScrapperGenerator>(chain[3]), nullptr);
    // Each factory has generators of its own: cancelling one batch leaves the others alone.
    const KLEntryFactory other(nullptr);
    EXPECT_NE(other.generators()[0], chain[0]);
}
