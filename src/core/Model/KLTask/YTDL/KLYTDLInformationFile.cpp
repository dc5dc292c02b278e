#include "Model/KLTask/YTDL/KLYTDLInformationFile.h"

#include "Utils/KLScratchFolder.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <utility>

KLYTDLInformationFile::KLYTDLInformationFile(QString path, std::shared_ptr<KLScratchFolder> folder)
    : m_path(std::move(path)), m_folder(std::move(folder)) {}

namespace {

void addAddresses(const QJsonObject &record, QList<QUrl> &addresses) {
    for (const char *field : {"url", "manifest_url", "fragment_base_url"}) {
        const QString text = record.value(QLatin1String(field)).toString();
        if (!text.isEmpty()) {
            const QUrl address(text);
            if (!address.isRelative()) {
                addresses.append(address);
            }
        }
    }
    for (const char *list : {"formats", "requested_formats", "requested_downloads", "fragments"}) {
        for (const QJsonValue &item : record.value(QLatin1String(list)).toArray()) {
            addAddresses(item.toObject(), addresses);
        }
    }
}

} // namespace

QList<QUrl> KLYTDLInformationFile::mediaAddresses() const {
    QFile file(m_path);
    if (m_path.isEmpty() || !file.open(QIODevice::ReadOnly)) {
        return {};
    }
    QList<QUrl> addresses;
    addAddresses(QJsonDocument::fromJson(file.readAll()).object(), addresses);
    return addresses;
}
