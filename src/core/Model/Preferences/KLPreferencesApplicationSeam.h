#pragma once

// What the stored preferences ask of the application controller when a setting changes the running
// application itself. The controller registers one with KLDefaultPreferences::setApplicationSeam(); while
// none is registered (the command line, tests, the launch before the window exists) nothing is asked.
class KLPreferencesApplicationSeam {
public:
    virtual ~KLPreferencesApplicationSeam() = default;

    virtual void setDarkTheme() = 0;
    virtual void setLightTheme() = 0;
    virtual void updateAddButton() = 0;
    // The number of rows the window shows changed.
    virtual void resizeWindow() {}
};
