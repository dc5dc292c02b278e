#pragma once

#include <QString>

// Short sounds by their name in the desktop's sound theme ("trash-empty", "dialog-error", "complete").
// Without a sound theme or a sound device nothing is heard, and nothing is reported: a missing sound is no
// error of the program's.
class KLSoundPlayer final {
public:
    static void play(const QString &soundName);
};
