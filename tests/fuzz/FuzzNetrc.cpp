// The credentials file (~/.netrc): the managed lines read from it, and the file written back with them.

#include "KLFuzzEnvironment.h"
#include "KLFuzzInput.h"
#include "Model/KLTask/YTDL/KLYTDLExtractorDescription.h"
#include "Model/Passwords/KLNetrcToken.h"
#include "Model/Passwords/KLPasswordManager.h"

namespace {

using Descriptions = KLPasswordManager::ExtractorDescriptions;

// The records a save writes back: those with both a login and a password.
Descriptions kept(const Descriptions &descriptions) {
    Descriptions result;
    for (const auto &description : descriptions) {
        if (!description->login().value_or(QString()).isEmpty() &&
            !description->password().value_or(QString()).isEmpty()) {
            result.append(description);
        }
    }
    return result;
}

bool sameCredentials(const Descriptions &left, const Descriptions &right) {
    if (left.size() != right.size()) {
        return false;
    }
    for (qsizetype index = 0; index < left.size(); ++index) {
        if (left.at(index)->name() != right.at(index)->name() ||
            left.at(index)->login() != right.at(index)->login() ||
            left.at(index)->password() != right.at(index)->password()) {
            return false;
        }
    }
    return true;
}

// The lines of a file that are not the records' own (what the user wrote), in order.
QList<QByteArray> userLines(const QByteArray &contents) {
    QList<QByteArray> lines;
    for (const QByteArray &line : contents.split('\n')) {
        if (KLPasswordManager::extractorDescriptionsFromNetrc(line + '\n').isEmpty()) {
            lines.append(line);
        }
    }
    while (!lines.isEmpty() && lines.constLast().isEmpty()) {
        lines.removeLast();
    }
    return lines;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const KLFuzzInput input(data, size);
    // A value written into the file is read back as it was.
    const QString value = input.text();
    KLFuzzEnvironment::require(KLNetrcToken::valueForToken(KLNetrcToken::tokenForValue(value)) == value,
                               "a value survives its token");

    const QByteArray file = input.bytes();
    const Descriptions read = KLPasswordManager::extractorDescriptionsFromNetrc(file);
    const QByteArray saved = KLPasswordManager::netrcWithDescriptions(file, read);
    KLFuzzEnvironment::require(
        sameCredentials(KLPasswordManager::extractorDescriptionsFromNetrc(saved), kept(read)),
        "saving what was read keeps every complete login");
    KLFuzzEnvironment::require(userLines(saved) == userLines(file), "the user's lines stay as they are");
    return 0;
}
