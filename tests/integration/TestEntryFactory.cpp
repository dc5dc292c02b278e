// The factory with its real generators: the real yt-dlp, curl and kinolark-links against the test web
// server, ffprobe on local files, and, for YouTube links, a stand-in downloader that answers from fixtures
// as yt-dlp would and never leaves the machine.
#include "KLEntryTestHarness.h"
#include "KLGenerationRun.h"
#include "KLMediaFixtures.h"
#include "KLTestEnvironment.h"
#include "KLYTDLTestSite.h"

#include "Flow/Entries/Generators/KLFileEntry.h"
#include "Flow/Entries/Generators/KLYTDLEntry.h"
#include "Flow/Entries/Generators/KLYoutubeEntry.h"
#include "Flow/Entries/KLEntryFactory.h"
#include "Model/KLTask/KLError.h"
#include "Model/KLTask/YTDL/KLYoutubeFormatDescription.h"
#include "Model/Preferences/KLDefaultPreferences.h"
#include "Utils/KLKinolarkUtils.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <ostream>

using namespace std::chrono_literals;
using EntryList = KLEntryFactory::EntryList;

// Failure messages show addresses as text.
void PrintTo(const QUrl &url, std::ostream *out) {
    *out << url.toString().toStdString();
}

namespace {

// Whatever tries to leave the machine (a stray fetch of a YouTube page by curl or yt-dlp) meets a closed
// port through these proxies; the test servers on 127.0.0.1 are exempt.
class LoopbackOnly final : public ::testing::Environment {
public:
    void SetUp() override {
        for (const char *variable : {"http_proxy", "https_proxy", "HTTPS_PROXY", "ALL_PROXY", "all_proxy"}) {
            qputenv(variable, "http://127.0.0.1:9");
        }
        qputenv("no_proxy", "127.0.0.1,localhost");
        qputenv("NO_PROXY", "127.0.0.1,localhost");
    }
};
[[maybe_unused]] ::testing::Environment *const loopbackOnly =
    ::testing::AddGlobalTestEnvironment(new LoopbackOnly);

// Stands in for the intake: runs a fresh factory for a URL, records what the generators hand back and,
// when asked to, analyses each handed-back URL with a fresh factory as the intake does.
class IntakeStandIn final {
public:
    explicit IntakeStandIn(std::shared_ptr<const KLServices> services) : m_services(std::move(services)) {}

    std::optional<EntryList> generate(const QUrl &url, std::shared_ptr<KLError> *error) {
        QList<QUrl> back;
        std::optional<EntryList> found =
            KLGenerationRun::generate(KLEntryFactory(m_services), url, error, &back);
        m_handedBack += back;
        // A loop would otherwise never end the test.
        if (m_analyse && m_handedBack.size() <= 20) {
            for (const QUrl &handed : back) {
                std::shared_ptr<KLError> ignored;
                if (const std::optional<EntryList> nested = generate(handed, &ignored)) {
                    m_entries.insert(m_entries.end(), nested->begin(), nested->end());
                }
            }
        }
        return found;
    }
    void analyseHandedBackURLs() { m_analyse = true; }
    QList<QUrl> handedBack() const { return m_handedBack; }
    EntryList entries() const { return m_entries; }

private:
    const std::shared_ptr<const KLServices> m_services;
    bool m_analyse = false;
    QList<QUrl> m_handedBack;
    EntryList m_entries;
};

template <class T> std::shared_ptr<T> entryAs(const EntryList &entries, size_t index) {
    return index < entries.size() ? std::dynamic_pointer_cast<T>(entries[index]) : nullptr;
}

// Runs the factory, cancels it once `working` holds, and returns what it gave.
struct CancelledRun {
    std::optional<EntryList> entries;
    std::shared_ptr<KLError> error;
    std::chrono::steady_clock::duration afterCancel{};
};
CancelledRun cancelWhile(const QUrl &url, const std::function<bool()> &working) {
    KLEntryFactory factory(nullptr);
    auto answer = std::make_shared<std::optional<KLEntryGenerator::Generation>>();
    factory.generateEntriesForURL(
        url, [answer](KLEntryGenerator::Generation generation) { *answer = std::move(generation); });
    EXPECT_TRUE(KLTestEnvironment::waitUntil(working, 60s));
    const auto cancelledAt = std::chrono::steady_clock::now();
    factory.cancel();
    EXPECT_TRUE(KLTestEnvironment::waitUntil([&answer] { return answer->has_value(); }, 60s));
    CancelledRun run;
    run.afterCancel = std::chrono::steady_clock::now() - cancelledAt;
    const KLEntryGenerator::Generation generation = answer->value_or(KLEntryGenerator::Generation{});
    run.entries = generation.entries;
    run.error = generation.error;
    return run;
}

class EntryFactoryTest : public ::testing::Test {
protected:
    void TearDown() override {
        EXPECT_TRUE(KLTestEnvironment::waitUntil([] { return KLEntryTestHarness::noToolsRunning(); }));
    }
    void analyseHandedBackURLs() { m_intake.analyseHandedBackURLs(); }

    KLEntryTestHarness m_harness;
    IntakeStandIn m_intake{m_harness.services()};
};

class WebPageTest : public EntryFactoryTest {
protected:
    void SetUp() override {
        EntryFactoryTest::SetUp();
        ASSERT_TRUE(m_site.start());
    }
    void TearDown() override {
        m_site.server().releaseStalls();
        EntryFactoryTest::TearDown();
    }

    KLYTDLTestSite m_site;
};

} // namespace

TEST_F(WebPageTest, APageWithTwoVideosGivesTwoYoutubeDLEntriesReferredByThePage) {
    ASSERT_TRUE(m_site.addMedia(QStringLiteral("first.mp4"), KLMediaFixtures::Clip360p));
    ASSERT_TRUE(m_site.addMedia(QStringLiteral("second.mp4"), KLMediaFixtures::VideoOnly));
    m_site.addPage(QStringLiteral("two.html"), QStringLiteral("Two Clips"),
                   {QStringLiteral("first.mp4"), QStringLiteral("second.mp4")});
    const QUrl page = m_site.server().qurl(QStringLiteral("two.html"));

    std::shared_ptr<KLError> error;
    const std::optional<EntryList> entries = m_intake.generate(page, &error);

    ASSERT_TRUE(entries.has_value()) << (error ? error->description().toStdString() : "no error");
    ASSERT_EQ(entries->size(), 2u);
    const auto first = entryAs<KLYTDLEntry>(*entries, 0);
    const auto second = entryAs<KLYTDLEntry>(*entries, 1);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(first->invokingURL(), page);
    EXPECT_EQ(second->invokingURL(), page);
    EXPECT_NE(first->originalURL(), second->originalURL());
    EXPECT_TRUE(m_intake.handedBack().isEmpty());
}

TEST_F(WebPageTest, APageYoutubeDLCannotReadHandsBackItsMediaLinksAndGivesNoEntry) {
    // The page's own address looks like a media file and it links to itself: that link must not come back.
    const QString name = QStringLiteral("catalogue.webm.html");
    KLTestEnvironment::writeFile(m_site.server().documentRoot() + QLatin1Char('/') + name,
                                 "<html><head><title>Catalogue</title></head><body>\n"
                                 "<a href=\"catalogue.webm.html\">this page</a>\n"
                                 "<a href=\"/media/a.mp4\">a</a> <a href=\"notes.html\">notes</a>\n"
                                 "<a href=\"/media/b.mp3?session=1\">b</a>\n"
                                 "</body></html>\n");
    const QUrl page = m_site.server().qurl(name);

    std::shared_ptr<KLError> error;
    const std::optional<EntryList> entries = m_intake.generate(page, &error);

    ASSERT_TRUE(entries.has_value());
    EXPECT_TRUE(entries->empty());
    EXPECT_EQ(m_intake.handedBack(),
              QList<QUrl>({m_site.server().qurl(QStringLiteral("media/a.mp4")),
                           m_site.server().qurl(QStringLiteral("media/b.mp3?session=1"))}));
}

TEST_F(WebPageTest, CancellingDuringTheListingTerminatesItAndHandsNothingBack) {
    m_site.addPage(QStringLiteral("stalled.html"), QStringLiteral("Stalled"), {QStringLiteral("a.mp4")});
    m_site.server().stallAfter(QStringLiteral("/stalled.html"), 0);
    KLTestWebServer &server = m_site.server();

    const CancelledRun run = cancelWhile(server.qurl(QStringLiteral("stalled.html")),
                                         [&server] { return server.stalledConnections() > 0; });

    EXPECT_LT(run.afterCancel, 10s);
    EXPECT_FALSE(run.entries.has_value());
    EXPECT_EQ(run.error, nullptr);
    EXPECT_TRUE(m_intake.handedBack().isEmpty());
    EXPECT_TRUE(KLTestEnvironment::waitUntil([] { return KLEntryTestHarness::noToolsRunning(); }));
    // The scraper never fetched the page after the cancellation.
    EXPECT_EQ(server.requestsFor(QStringLiteral("/stalled.html")).size(), 1);
}

TEST_F(EntryFactoryTest, AFolderGivesOneFileEntryPerMediaFileAndAMissingPathNothing) {
    QTemporaryDir folder;
    ASSERT_TRUE(QDir(folder.path()).mkpath(QStringLiteral("inner")));
    const QString clip = folder.filePath(QStringLiteral("inner/clip.mp4"));
    ASSERT_TRUE(QFile::copy(KLMediaFixtures::path(KLMediaFixtures::Clip360p), clip));
    ASSERT_TRUE(QFile::copy(KLMediaFixtures::path(KLMediaFixtures::TextFile),
                            folder.filePath(QStringLiteral("notes.txt"))));

    std::shared_ptr<KLError> error;
    const std::optional<EntryList> entries = m_intake.generate(QUrl::fromLocalFile(folder.path()), &error);
    ASSERT_TRUE(entries.has_value());
    ASSERT_EQ(entries->size(), 1u);
    ASSERT_NE(entryAs<KLFileEntry>(*entries, 0), nullptr);
    EXPECT_EQ(entries->front()->originalURL(), QUrl::fromLocalFile(clip));

    const QUrl missing = QUrl::fromLocalFile(folder.filePath(QStringLiteral("gone.mp4")));
    EXPECT_FALSE(m_intake.generate(missing, &error).has_value());
    EXPECT_EQ(error, nullptr);
    EXPECT_TRUE(m_intake.handedBack().isEmpty());
}

namespace {

// The stand-in downloader: takes the options the shipped scripts pass, prints through their -O template as
// yt-dlp does (one line per format with "-f all", one per video otherwise; a missing field prints the NA
// placeholder, as a JSON string under "j"), and logs each call as "formats URL" or "links URL". A video is
// known from videos.tsv (id, title); its formats from formats-ID.tsv, best first as yt-dlp runs them
// (format_id, ext, width, height, fps, vcodec, acodec, abr, tbr, asr, filesize, filesize_approx; NA for
// missing); a playlist from playlist-ID.txt (video ids). A file slow-ID makes the format listing of that
// video take long.
const char *const standInDownloader = R"bash(#!/bin/bash
set -u
fixtures="$(dirname "$0")/youtube-fixtures"
placeholder=NA
template=""
selection=""
playlist=1
url=""
while [ $# -gt 0 ]; do
    case "$1" in
        --ignore-config | --no-check-formats | --no-warnings | --ignore-errors | --netrc) ;;
        --no-simulate | --skip-download | --write-info-json | --no-write-playlist-metafiles) ;;
        --no-playlist) playlist=0 ;;
        --playlist-items | --ap-mso | --proxy | --output) shift ;;
        --output-na-placeholder) shift; placeholder="${1-}" ;;
        -f | --format) shift; selection="${1-}" ;;
        -O) shift; template="${1-}" ;;
        --) shift; url="${1-}"; break ;;
        -*) echo "yt-dlp: error: no such option: $1" >&2; exit 2 ;;
        *) url="$1" ;;
    esac
    shift
done
if [ -z "$template" ] || [ -z "$url" ]; then
    echo "yt-dlp: error: expected an output template and a URL" >&2
    exit 2
fi
printf '%s %s\n' "$([ "$selection" = all ] && echo formats || echo links)" "$url" >>"$fixtures/calls.log"

watch='^https?://(www\.|m\.)?youtube\.com/watch\?(.*)$'
short='^https?://youtu\.be/([A-Za-z0-9_-]+)$'
video=""
list=""
if [[ $url =~ $watch ]]; then
    query="&${BASH_REMATCH[2]}"
    parameter='&v=([A-Za-z0-9_-]+)'
    if [[ $query =~ $parameter ]]; then video="${BASH_REMATCH[1]}"; fi
    parameter='&list=([A-Za-z0-9_-]+)'
    if [[ $query =~ $parameter ]]; then list="${BASH_REMATCH[1]}"; fi
elif [[ $url =~ $short ]]; then
    video="${BASH_REMATCH[1]}"
else
    echo "ERROR: Unsupported URL: $url" >&2
    exit 1
fi

# Prints the template with the record's fields, which hold JSON values ("text" or a number).
render() {
    local -n record=$1
    local rest="$2" out="" pattern='^([^%]*)%\(([a-z_]+)\)([-+# 0-9.]*)([a-zA-Z])'
    while [[ $rest =~ $pattern ]]; do
        out+="${BASH_REMATCH[1]}"
        local field="${BASH_REMATCH[2]}" conversion="${BASH_REMATCH[4]}"
        rest="${rest:${#BASH_REMATCH[0]}}"
        if [ -z "${record[$field]+set}" ]; then
            # yt-dlp converts the placeholder too: a missing JSON field prints as a JSON string.
            if [ "$conversion" = j ]; then out+="\"$placeholder\""; else out+="$placeholder"; fi
        elif [ "$conversion" = j ]; then
            out+="${record[$field]}"
        else
            local value="${record[$field]}"
            value="${value#\"}"
            out+="${value%\"}"
        fi
    done
    printf '%s\n' "$out$rest"
}
put() {
    local -n into=$1
    if [ "$3" != NA ]; then into[$2]="${4-}$3${4-}"; fi
}

if [ "$selection" = all ]; then
    if [ -e "$fixtures/slow-$video" ]; then sleep 37; fi
    if [ ! -e "$fixtures/formats-$video.tsv" ]; then
        echo "ERROR: [youtube] $video: Requested format is not available" >&2
        exit 1
    fi
    while IFS=$'\t' read -r id ext width height fps vcodec acodec abr tbr asr filesize approximate; do
        declare -A format=()
        put format format_id "$id" '"'; put format ext "$ext" '"'
        put format width "$width"; put format height "$height"; put format fps "$fps"
        put format vcodec "$vcodec" '"'; put format acodec "$acodec" '"'
        put format abr "$abr"; put format tbr "$tbr"; put format asr "$asr"
        put format filesize "$filesize"; put format filesize_approx "$approximate"
        render format "$template"
    done <"$fixtures/formats-$video.tsv"
    exit 0
fi

describe() {
    local title
    title="$(awk -F '\t' -v id="$1" '$1 == id { print $2; exit }' "$fixtures/videos.tsv")"
    if [ -z "$title" ]; then
        echo "ERROR: [youtube] $1: Video unavailable" >&2
        return 1
    fi
    declare -A described=([webpage_url]="\"https://www.youtube.com/watch?v=$1\"" [title]="\"$title\"")
    if [ -n "$2" ]; then described[playlist_index]="$2"; fi
    render described "$template"
}
if [ -n "$list" ] && [ "$playlist" = 1 ] && [ -e "$fixtures/playlist-$list.txt" ]; then
    failed=0
    index=0
    while read -r item; do
        index=$((index + 1))
        describe "$item" "$index" || failed=1
    done <"$fixtures/playlist-$list.txt"
    exit "$failed"
fi
describe "$video" ""
)bash";

const QString videoA = QStringLiteral("vidAAAAAAAA");
const QString videoB = QStringLiteral("vidBBBBBBBB");
const QString videoC = QStringLiteral("vidCCCCCCCC");
const QString brokenVideo = QStringLiteral("vidBROKEN00");
const QString slowVideo = QStringLiteral("vidSLOW0000");
const QString playlist = QStringLiteral("PLfixture");

QUrl watchLink(const QString &video, const QString &rest = QString()) {
    return QUrl(QStringLiteral("https://www.youtube.com/watch?v=") + video + rest);
}

class YoutubeLinkTest : public EntryFactoryTest {
protected:
    void SetUp() override {
        EntryFactoryTest::SetUp();
        const QString downloader = KLKinolarkUtils::getYTDLPath();
        m_fixtures = QFileInfo(downloader).dir().filePath(QStringLiteral("youtube-fixtures"));
        ASSERT_TRUE(QDir(m_fixtures).removeRecursively() && QDir().mkpath(m_fixtures));
        QFile::remove(downloader);
        ASSERT_FALSE(KLTestEnvironment::writeScript(QFileInfo(downloader).path(),
                                                    QFileInfo(downloader).fileName(),
                                                    QString::fromUtf8(standInDownloader))
                         .isEmpty());
        write(QStringLiteral("videos.tsv"),
              {videoA + QStringLiteral("\tFirst clip"), videoB + QStringLiteral("\tSecond clip"),
               videoC + QStringLiteral("\tThird clip"), brokenVideo + QStringLiteral("\tBroken clip"),
               slowVideo + QStringLiteral("\tSlow clip")});
        // Best first, as yt-dlp runs "-f all"; two formats share 1920x1080.
        const QStringList formats = {
            QStringLiteral("137\tmp4\t1920\t1080\t30\tavc1.640028\tnone\tNA\t4435\tNA\t106234567\tNA"),
            QStringLiteral("248\twebm\t1920\t1080\t30\tvp9\tnone\tNA\t2646\tNA\tNA\t63000000"),
            QStringLiteral("136\tmp4\t1280\t720\t30\tavc1.4d401f\tnone\tNA\t2326\tNA\t55000000\tNA"),
            QStringLiteral("18\tmp4\t640\t360\t30\tavc1.42001E\tmp4a.40.2\t96\t500\t44100\t12000000\tNA"),
            QStringLiteral("140\tm4a\tNA\tNA\tNA\tnone\tmp4a.40.2\t129\t129\t44100\t3000000\tNA")};
        for (const QString &video : {videoA, videoB, videoC, slowVideo}) {
            write(QStringLiteral("formats-%1.tsv").arg(video), formats);
        }
        write(QStringLiteral("slow-") + slowVideo, {});
        write(QStringLiteral("playlist-%1.txt").arg(playlist), {videoA, videoB, videoC});
    }

    void write(const QString &name, const QStringList &lines) {
        KLTestEnvironment::writeFile(
            m_fixtures + QLatin1Char('/') + name,
            lines.isEmpty() ? QByteArray() : (lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8());
    }
    QStringList calls() const {
        return KLTestEnvironment::readFile(m_fixtures + QStringLiteral("/calls.log"))
            .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    static void expectFormatsOfTheFixture(const std::shared_ptr<KLYoutubeEntry> &entry) {
        ASSERT_NE(entry, nullptr);
        QStringList itags;
        for (const auto &format : entry->formats()) {
            itags << format->itag();
        }
        EXPECT_EQ(itags, QStringList({QStringLiteral("140"), QStringLiteral("18"), QStringLiteral("136"),
                                      QStringLiteral("248"), QStringLiteral("137")}));
        EXPECT_EQ(entry->availableResolutions(),
                  QStringList({QStringLiteral("0x0"), QStringLiteral("640x360"), QStringLiteral("1280x720"),
                               QStringLiteral("1920x1080")}));
    }

    QString m_fixtures;
};

} // namespace

TEST_F(YoutubeLinkTest, NotFollowingListsTheListIsCutOutOfTheWatchLink) {
    m_harness.preferences()->setFollowYoutubeLists(false);
    const QUrl link = watchLink(videoA, QStringLiteral("&list=") + playlist + QStringLiteral("&index=2"));

    std::shared_ptr<KLError> error;
    const std::optional<EntryList> entries = m_intake.generate(link, &error);

    ASSERT_TRUE(entries.has_value()) << (error ? error->description().toStdString() : "no error");
    ASSERT_EQ(entries->size(), 1u);
    const auto entry = entryAs<KLYoutubeEntry>(*entries, 0);
    expectFormatsOfTheFixture(entry);
    EXPECT_EQ(entry->originalURL(), watchLink(videoA, QStringLiteral("&index=2")));
    EXPECT_EQ(calls(), QStringList({QStringLiteral("formats ") +
                                    watchLink(videoA, QStringLiteral("&index=2")).toString()}));
    EXPECT_TRUE(m_intake.handedBack().isEmpty());
}

TEST_F(YoutubeLinkTest, FollowingListsEveryVideoOfThePlaylistIsHandedBackAndBecomesAYoutubeEntry) {
    m_harness.preferences()->setFollowYoutubeLists(true);
    analyseHandedBackURLs();
    // A short link is no watch link: youtube-dl names the video's watch link, which comes back the same way.
    for (const QUrl &link : {watchLink(videoA, QStringLiteral("&list=") + playlist),
                             QUrl(QStringLiteral("https://youtu.be/") + videoB)}) {
        std::shared_ptr<KLError> error;
        const std::optional<EntryList> entries = m_intake.generate(link, &error);
        ASSERT_TRUE(entries.has_value()) << link.toString().toStdString();
        EXPECT_TRUE(entries->empty());
    }

    const QList<QUrl> expected = {watchLink(videoA), watchLink(videoB), watchLink(videoC), watchLink(videoB)};
    EXPECT_EQ(m_intake.handedBack(), expected);
    const EntryList entries = m_intake.entries();
    ASSERT_EQ(entries.size(), 4u);
    for (size_t index = 0; index < entries.size(); ++index) {
        const auto entry = entryAs<KLYoutubeEntry>(entries, index);
        expectFormatsOfTheFixture(entry);
        EXPECT_EQ(entry->originalURL(), expected.at(static_cast<qsizetype>(index)));
    }
}

TEST_F(YoutubeLinkTest, AVideoWhoseFormatsCannotBeListedIsAnalysedOnceMoreAtMost) {
    analyseHandedBackURLs();
    const QUrl canonical = watchLink(brokenVideo);

    // Another form of the link goes back once, as the canonical link youtube-dl names ...
    std::shared_ptr<KLError> error;
    const std::optional<EntryList> entries =
        m_intake.generate(QUrl(QStringLiteral("https://m.youtube.com/watch?v=") + brokenVideo +
                               QStringLiteral("&feature=share")),
                          &error);
    ASSERT_TRUE(entries.has_value());
    EXPECT_TRUE(entries->empty());
    EXPECT_EQ(m_intake.handedBack(), QList<QUrl>({canonical}));

    // ... and that one becomes a plain youtube-dl entry instead of going round again.
    const EntryList nested = m_intake.entries();
    ASSERT_EQ(nested.size(), 1u);
    const auto entry = entryAs<KLYTDLEntry>(nested, 0);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->originalURL(), canonical);
    EXPECT_EQ(entry->invokingURL(), canonical);
    EXPECT_EQ(calls().filter(QStringLiteral("formats ")).size(), 2);
    EXPECT_EQ(calls().filter(QStringLiteral("links ")).size(), 2);
}

TEST_F(YoutubeLinkTest, CancellingDuringTheFormatListingTerminatesIt) {
    const QStringList slowListing = {QStringLiteral("sleep 37")};

    const CancelledRun run = cancelWhile(watchLink(slowVideo), [&slowListing] {
        return KLTestEnvironment::startedProcessesRunning(slowListing) > 0;
    });

    EXPECT_LT(run.afterCancel, 10s);
    EXPECT_FALSE(run.entries.has_value());
    EXPECT_EQ(run.error, nullptr);
    EXPECT_TRUE(m_intake.handedBack().isEmpty());
    EXPECT_TRUE(KLTestEnvironment::waitUntil(
        [&slowListing] { return KLTestEnvironment::startedProcessesRunning(slowListing) == 0; }));
    // Neither youtube-dl nor the scraper were asked after the cancellation.
    EXPECT_EQ(calls(), QStringList({QStringLiteral("formats ") + watchLink(slowVideo).toString()}));
}
