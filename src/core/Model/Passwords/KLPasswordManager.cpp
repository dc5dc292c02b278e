#include "Model/Passwords/KLPasswordManager.h"

#include "Model/KLTask/KLTaskRunner.h"
#include "Model/KLTask/YTDL/KLListYTDLExtractorsTask.h"
#include "Model/KLTask/YTDL/KLListYTDLProvidersTask.h"
#include "Model/KLTask/YTDL/KLYTDLExtractorDescription.h"
#include "Model/Passwords/KLNetrcToken.h"
#include "Utils/KLKinolarkUtils.h"
#include "Utils/KLLog.h"
#include "Utils/KLSafeFile.h"

#include <QDir>
#include <QStringList>

#include <algorithm>

namespace {

const QByteArray machineKeyword = QByteArrayLiteral("machine");
const QByteArray loginKeyword = QByteArrayLiteral("login");
const QByteArray passwordKeyword = QByteArrayLiteral("password");
const QByteArray managedLinePrefix = QByteArrayLiteral("machine\t");

// Runs a listing task; `then` has its result text, or nothing when it failed.
template <class Task> void runListing(std::function<void(const std::optional<QString> &list)> then) {
    KLTaskRunner::run(std::make_shared<Task>(), [then = std::move(then)](KLTask &ended) {
        if (ended.error() != nullptr) {
            KLLog::log(ended.error()->description());
            then(std::nullopt);
            return;
        }
        then(ended.resultAs<QString>());
    });
}

// A value a managed line can hold, quoted or not: a tab would shift the fields, a line break would start a
// line of its own.
bool fitsInManagedLine(const QString &value) {
    return !value.contains(QLatin1Char('\t')) && !value.contains(QLatin1Char('\n')) &&
           !value.contains(QLatin1Char('\r'));
}

QByteArray fieldFor(const QString &value) {
    return KLNetrcToken::tokenForValue(value).toUtf8();
}

std::optional<QString> nonEmpty(const QString &value) {
    return value.isEmpty() ? std::nullopt : std::optional<QString>(value);
}

} // namespace

KLPasswordManager::KLPasswordManager() = default;

void KLPasswordManager::setup(std::function<void()> done) {
    // Built aside and published at the end, so that the window never sees half-built lists.
    auto state = std::make_shared<SetupState>();
    state->usable = setupNetrcFile();
    if (state->usable) {
        parseExtractorDescriptions(*state);
    }
    if (!state->usable) {
        publish(*state);
        done();
        return;
    }
    runListing<KLListYTDLExtractorsTask>(
        [self = shared_from_this(), state, done = std::move(done)](const std::optional<QString> &names) {
            matchExtractorDescriptions(*state, names);
            runListing<KLListYTDLProvidersTask>([self, state, done](const std::optional<QString> &providers) {
                listProviders(*state, providers);
                self->publish(*state);
                done();
            });
        });
}

void KLPasswordManager::publish(const SetupState &state) {
    if (!state.usable) {
        KLLog::log(QStringLiteral("Site logins are not available"));
    }
    m_extractorDescriptions = state.descriptions;
    m_providerNameToProviderIdDictionary = state.providers;
    m_canUsePasswordManager = state.usable;
    m_setUp = true;
}

void KLPasswordManager::teardown() {
    if (passwordManagerIsEnabled()) {
        saveExtractorDescriptions();
    }
}

bool KLPasswordManager::passwordManagerIsEnabled() const {
    return m_setUp && m_canUsePasswordManager;
}

QString KLPasswordManager::netrcPath() const {
    return m_netrcPath;
}

KLPasswordManager::ExtractorDescriptions KLPasswordManager::listExtractorDescriptions() const {
    return m_extractorDescriptions;
}

std::shared_ptr<KLYTDLExtractorDescription>
KLPasswordManager::findExtractorDescription(const QString &name) const {
    for (const auto &description : m_extractorDescriptions) {
        if (description->name().compare(name, Qt::CaseInsensitive) == 0) {
            return description;
        }
    }
    return nullptr;
}

KLPasswordManager::ProviderDictionary KLPasswordManager::getProviderDictionary() const {
    return m_providerNameToProviderIdDictionary;
}

bool KLPasswordManager::setupNetrcFile() {
    const QString home = KLKinolarkUtils::getHomeDirectory();
    const QString path = home.isEmpty() ? QString() : QDir(home).filePath(netrcFileName);
    m_netrcPath = path;
    // Neither step follows a link planted at the path: creating does nothing when any entry is there, and
    // the permissions are set on a regular file only, so a link makes the store unusable instead of
    // exposing its target.
    KLSafeFile::createFileIfMissing(path, netrcPermissions);
    if (!KLSafeFile::setPermissionsOfRegularFile(path, netrcPermissions)) {
        KLLog::log(
            QStringLiteral("The credentials file is not a regular file whose permissions can be set: ") +
            path);
        return false;
    }
    return true;
}

void KLPasswordManager::parseExtractorDescriptions(SetupState &state) const {
    state.descriptions.clear();
    const KLSafeFile::ReadResult file = KLSafeFile::readRegularFile(netrcPath());
    if (file.status == KLSafeFile::ReadStatus::failed) {
        KLLog::log(QStringLiteral("The credentials file cannot be read: ") + netrcPath());
        state.usable = false;
        return;
    }
    state.descriptions = extractorDescriptionsFromNetrc(file.contents);
}

KLPasswordManager::ExtractorDescriptions
KLPasswordManager::extractorDescriptionsFromNetrc(const QByteArray &contents) {
    ExtractorDescriptions descriptions;
    for (const QByteArray &line : linesOf(contents)) {
        if (const std::optional<ManagedLine> managed = managedLineFromBytes(line)) {
            descriptions.append(std::make_shared<KLYTDLExtractorDescription>(
                managed->name, nonEmpty(managed->login), nonEmpty(managed->password)));
        }
    }
    return descriptions;
}

void KLPasswordManager::matchExtractorDescriptions(SetupState &state, const std::optional<QString> &list) {
    if (!list) {
        return; // the parsed records stay as they are, and usable
    }
    QStringList names;
    for (const QString &line : list->split(QLatin1Char('\n'))) {
        if (!line.trimmed().isEmpty()) {
            names.append(line.trimmed());
        }
    }
    QSet<QString> present;
    for (const auto &description : std::as_const(state.descriptions)) {
        present.insert(description->name());
    }
    for (const QString &name : std::as_const(names)) {
        if (!present.contains(name)) {
            state.descriptions.append(std::make_shared<KLYTDLExtractorDescription>(name));
            present.insert(name);
        }
    }
    const QSet<QString> supported(names.cbegin(), names.cend());
    state.descriptions.removeIf([&supported](const auto &description) {
        return !supported.contains(description->name()); // its line stays in the file all the same
    });
    // Stable, so that two lines of one extractor keep the file's order.
    std::stable_sort(state.descriptions.begin(), state.descriptions.end(),
                     [](const auto &left, const auto &right) { return left->name() < right->name(); });
}

void KLPasswordManager::listProviders(SetupState &state, const std::optional<QString> &list) {
    state.providers.clear();
    if (!list) {
        state.usable = false;
        return;
    }
    state.providers = providerDictionaryFromList(*list);
}

KLPasswordManager::ProviderDictionary KLPasswordManager::providerDictionaryFromList(const QString &list) {
    ProviderDictionary providers;
    const QStringList lines = list.split(QLatin1Char('\n'));
    for (qsizetype index = 2; index < lines.size(); ++index) {
        const QStringList pieces = lines.at(index).split(QLatin1Char('$'));
        if (pieces.size() == 2) {
            providers.insert(pieces.at(1), pieces.at(0));
        }
    }
    return providers;
}

bool KLPasswordManager::saveExtractorDescriptions() {
    if (!passwordManagerIsEnabled()) {
        return false;
    }
    const QString &path = m_netrcPath;
    const KLSafeFile::ReadResult file = KLSafeFile::readRegularFile(path);
    if (file.status == KLSafeFile::ReadStatus::failed) {
        // Writing now would replace the user's own lines by ours alone.
        KLLog::log(QStringLiteral("The credentials file cannot be read, so it is left as it is: ") + path);
        return false;
    }
    const QByteArray updated = netrcWithDescriptions(file.contents, m_extractorDescriptions);
    if (file.status == KLSafeFile::ReadStatus::read && updated == file.contents) {
        return true;
    }
    if (!KLSafeFile::replaceFile(path, updated, netrcPermissions)) {
        KLLog::log(QStringLiteral("Could not write the credentials file: ") + path);
        return false;
    }
    return true;
}

QByteArray KLPasswordManager::netrcWithDescriptions(const QByteArray &current,
                                                    const ExtractorDescriptions &descriptions) {
    QSet<QString> rewrittenNames;
    for (const auto &description : descriptions) {
        rewrittenNames.insert(description->name());
    }
    return mergedNetrc(current, rewrittenNames, managedLinesFor(descriptions));
}

QByteArray KLPasswordManager::mergedNetrc(const QByteArray &current, const QSet<QString> &rewrittenNames,
                                          const QByteArray &managedLines) {
    QByteArray merged;
    merged.reserve(current.size() + managedLines.size() + 1);
    for (const QByteArray &line : linesOf(current)) {
        const std::optional<ManagedLine> managed = managedLineFromBytes(line);
        if (managed && rewrittenNames.contains(managed->name)) {
            continue;
        }
        // Blank lines stay too: in a netrc file an empty line ends a macro definition ("macdef").
        merged += line;
        merged += '\n';
    }
    merged += managedLines;
    return merged;
}

QByteArray KLPasswordManager::managedLinesFor(const ExtractorDescriptions &descriptions) {
    QByteArray lines;
    for (const auto &description : descriptions) {
        const QString name = description->name();
        const QString login = description->login().value_or(QString());
        const QString password = description->password().value_or(QString());
        if (name.isEmpty() || login.isEmpty() || password.isEmpty()) {
            continue;
        }
        if (!fitsInManagedLine(name) || !fitsInManagedLine(login) || !fitsInManagedLine(password)) {
            KLLog::log(QStringLiteral("Credentials with a tab or a line break cannot be stored, for ") +
                       name);
            continue;
        }
        lines += machineKeyword + '\t' + fieldFor(name) + '\t' + loginKeyword + '\t' + fieldFor(login) +
                 '\t' + passwordKeyword + '\t' + fieldFor(password) + '\n';
    }
    return lines;
}

QList<QByteArray> KLPasswordManager::linesOf(const QByteArray &contents) {
    if (contents.isEmpty()) {
        return {};
    }
    QList<QByteArray> lines = contents.split('\n');
    if (lines.constLast().isEmpty()) {
        lines.removeLast(); // what follows the final line feed is no line
    }
    return lines;
}

std::optional<KLPasswordManager::ManagedLine> KLPasswordManager::managedLineFromBytes(QByteArray line) {
    if (!line.startsWith(managedLinePrefix)) {
        return std::nullopt; // most lines of a large file end here, before any splitting
    }
    if (line.endsWith('\r')) {
        line.chop(1); // yt-dlp reads a carriage return as a blank, so the line is ours all the same
    }
    const QList<QByteArray> columns = line.split('\t');
    if (!columnsMatchYTDLExtractor(columns)) {
        return std::nullopt;
    }
    const std::optional<QString> name = KLSafeFile::decodeUTF8(columns.at(1));
    const std::optional<QString> login = KLSafeFile::decodeUTF8(columns.at(3));
    const std::optional<QString> password = KLSafeFile::decodeUTF8(columns.at(5));
    if (!name || !login || !password) {
        return std::nullopt; // not text we could write back unchanged: left alone as the user's
    }
    ManagedLine managed{KLNetrcToken::valueForToken(*name), KLNetrcToken::valueForToken(*login),
                        KLNetrcToken::valueForToken(*password)};
    if (managed.name.isEmpty()) {
        return std::nullopt; // no extractor has no name; the reader would reject the line anyway
    }
    // A carriage return inside a value could not be written back, so the next save would drop the line.
    if (!fitsInManagedLine(managed.name) || !fitsInManagedLine(managed.login) ||
        !fitsInManagedLine(managed.password)) {
        return std::nullopt;
    }
    return managed;
}

bool KLPasswordManager::columnsMatchYTDLExtractor(const QList<QByteArray> &columns) {
    return columns.size() == 6 && columns.at(0) == machineKeyword && columns.at(2) == loginKeyword &&
           columns.at(4) == passwordKeyword;
}
