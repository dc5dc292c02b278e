#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QSet>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <sys/types.h>

class KLYTDLExtractorDescription;

// The per-site logins the downloader uses, kept in the user's ~/.netrc, the credentials file that yt-dlp
// reads. The lines this class manages have exactly six tab-separated fields:
//     machine<TAB>extractor<TAB>login<TAB>the login<TAB>password<TAB>the password
// (a value that the downloader's reader would misread is written as a quoted token, see KLNetrcToken; one
// with a tab or a line break cannot be stored at all). Every other line of the file belongs to the user or to
// other programs and is carried over byte for byte, in its place, whatever its encoding.
//
// setup() runs at the launch and decides whether the store can be used at all; afterwards the credentials
// window edits the records of listExtractorDescriptions() and calls saveExtractorDescriptions() after each
// edit; teardown() saves once more at exit. Main thread only.
class KLPasswordManager final : public std::enable_shared_from_this<KLPasswordManager> {
public:
    using ExtractorDescriptions = QList<std::shared_ptr<KLYTDLExtractorDescription>>;
    // Display name of a TV provider -> its identifier (the value of the preference "provider").
    using ProviderDictionary = QMap<QString, QString>;

    static inline const QString netrcFileName = QStringLiteral(".netrc");
    // yt-dlp refuses a credentials file that others may read.
    static constexpr mode_t netrcPermissions = 0600;

    KLPasswordManager();

    // Creates the file if needed and makes it owner-only, reads the managed lines, reconciles them with the
    // downloader's extractors and lists its TV providers; `done` runs once the downloader has answered. What
    // the window reads changes only then, all at once.
    void setup(std::function<void()> done);
    // Saves the credentials, if the store was set up and is usable.
    void teardown();

    // False until setup() has found the store usable; then fixed for the rest of the run.
    bool passwordManagerIsEnabled() const;
    QString netrcPath() const;

    // The records themselves, sorted by name: the window changes their login and password in place and then
    // calls saveExtractorDescriptions().
    ExtractorDescriptions listExtractorDescriptions() const;
    // The first record whose name equals `name` ignoring case (the window shows names in lower case).
    std::shared_ptr<KLYTDLExtractorDescription> findExtractorDescription(const QString &name) const;
    ProviderDictionary getProviderDictionary() const;

    // Rewrites the file: the user's lines as they are, then one managed line per record that has both a login
    // and a password (so clearing either deletes the line). Writes nothing when the store is not usable or
    // when the file's current contents cannot be read, since that would drop the user's own lines. True
    // when the file holds the records' credentials afterwards.
    bool saveExtractorDescriptions();

    // The providers of a "list_ytdl_providers" output: two heading lines, then "identifier$Display name"
    // lines; a line without exactly one "$" is skipped.
    static ProviderDictionary providerDictionaryFromList(const QString &list);

    // The records that the managed lines of a credentials file hold, in the file's order.
    static ExtractorDescriptions extractorDescriptionsFromNetrc(const QByteArray &contents);
    // The file's contents once the records are saved into it: the user's lines as they are, the earlier
    // managed lines of the records' names replaced by the records' own.
    static QByteArray netrcWithDescriptions(const QByteArray &current,
                                            const ExtractorDescriptions &descriptions);

private:
    // A managed line's credentials, as found in the file.
    struct ManagedLine {
        QString name;
        QString login;
        QString password;
    };
    // The credentials of a line of the file when it is a managed line (a trailing carriage return aside),
    // nothing for a line of the user's.
    static std::optional<ManagedLine> managedLineFromBytes(QByteArray line);
    // Whether the fields are those of a managed line: exactly six, "machine", "login" and "password" first,
    // third and fifth.
    static bool columnsMatchYTDLExtractor(const QList<QByteArray> &columns);

    struct SetupState {
        bool usable = true;
        ExtractorDescriptions descriptions;
        ProviderDictionary providers;
    };

    bool setupNetrcFile();
    void parseExtractorDescriptions(SetupState &state) const;
    // `names` is the downloader's list of extractors, `list` its list of providers; nothing when it failed.
    static void matchExtractorDescriptions(SetupState &state, const std::optional<QString> &names);
    static void listProviders(SetupState &state, const std::optional<QString> &list);
    void publish(const SetupState &state);

    // The file's new contents: its lines minus the managed lines of `rewrittenNames`, then `managedLines`.
    static QByteArray mergedNetrc(const QByteArray &current, const QSet<QString> &rewrittenNames,
                                  const QByteArray &managedLines);
    static QByteArray managedLinesFor(const ExtractorDescriptions &descriptions);
    static QList<QByteArray> linesOf(const QByteArray &contents);

    QString m_netrcPath;
    bool m_setUp = false;
    bool m_canUsePasswordManager = false;
    ExtractorDescriptions m_extractorDescriptions;
    ProviderDictionary m_providerNameToProviderIdDictionary;
};
