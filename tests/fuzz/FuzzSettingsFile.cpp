// The stored settings (KinolarkPro.conf, INI), read back at launch into the preferences.

#include "KLFuzzEnvironment.h"
#include "KLFuzzInput.h"
#include "Model/Preferences/KLDefaultPreferences.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static const QString path = [] {
        const QString file = KLDefaultPreferences::storeFilePath();
        QDir().mkpath(QFileInfo(file).absolutePath());
        return file;
    }();
    {
        QFile file(path);
        const QByteArray contents = KLFuzzInput(data, size).bytes();
        KLFuzzEnvironment::require(file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                                       file.write(contents) == contents.size(),
                                   "the settings file can be written");
    }
    KLDefaultPreferences preferences;
    preferences.setSaving(false); // nothing read may be written back over the input
    preferences.load();
    return 0;
}
