#pragma once
// Puts the chosen language in place for the whole application: Movarin's
// own texts and Qt's standard dialogs and buttons. Made before any window;
// the translations stay installed while the object lives.
#include <QTranslator>

#include "app/InterfaceLanguage.h"

namespace movarin {

class InterfaceTranslation {
public:
    explicit InterfaceTranslation(InterfaceLanguage language);
    ~InterfaceTranslation();
    InterfaceTranslation(const InterfaceTranslation&) = delete;
    InterfaceTranslation& operator=(const InterfaceTranslation&) = delete;

private:
    QTranslator movarin_;
    QTranslator qt_;
    bool movarinInstalled_ = false;
    bool qtInstalled_ = false;
};

} // namespace movarin
