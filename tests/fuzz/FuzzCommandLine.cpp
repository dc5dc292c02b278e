// The command line of kinolark: one argument a line, then the run's settings applied to the preferences.

#include "KLCommandLineOptions.h"
#include "KLFuzzEnvironment.h"
#include "KLFuzzInput.h"
#include "Model/Preferences/KLDefaultPreferences.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QStringList arguments = QStringList{QStringLiteral("kinolark")} + KLFuzzInput(data, size).lines();
    QString error;
    std::optional<KLCommandLineOptions> options = KLCommandLineOptions::parse(arguments, &error);
    if (!options) {
        KLFuzzEnvironment::require(!error.isEmpty(), "a usage error says what is wrong");
        return 0;
    }
    // The output folder would be made on the disk, and --save would write the settings file.
    options->outputDirectory.clear();
    options->save = false;
    KLDefaultPreferences preferences;
    preferences.setSaving(false);
    if (!options->applyTo(preferences, &error)) {
        KLFuzzEnvironment::require(!error.isEmpty(), "a refused setting says why");
    }
    return 0;
}
