#include "Desktop/KLSoundPlayer.h"

#include <canberra.h>

#include <mutex>

namespace {

ca_context *soundContext() {
    static ca_context *context = nullptr;
    static std::once_flag created;
    std::call_once(created, [] {
        if (ca_context_create(&context) != CA_SUCCESS) {
            context = nullptr;
            return;
        }
        ca_context_change_props(context, CA_PROP_APPLICATION_NAME, "KinolarkPro", CA_PROP_APPLICATION_ID,
                                "org.kinolark.KinolarkPro", nullptr);
    });
    return context;
}

} // namespace

void KLSoundPlayer::play(const QString &soundName) {
    if (ca_context *context = soundContext()) {
        // Plays in the background; whatever goes wrong stays silent.
        ca_context_play(context, 0, CA_PROP_EVENT_ID, soundName.toUtf8().constData(), nullptr);
    }
}
