#pragma once

// What a codec generator tells the command factory about the conversion as a whole, beyond the parameters
// it appends. The factory makes a fresh record for every command it builds.
class KLFFMPEGCodecParametersProperties final {
public:
    bool useTwoPassConversion() const { return m_useTwoPassConversion; }
    void setUseTwoPassConversion(bool useTwoPassConversion) { m_useTwoPassConversion = useTwoPassConversion; }

private:
    bool m_useTwoPassConversion = false;
};
