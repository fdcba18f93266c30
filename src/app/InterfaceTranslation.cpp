#include "app/InterfaceTranslation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>

#include <cstdio>

namespace movarin {

InterfaceTranslation::InterfaceTranslation(InterfaceLanguage language)
{
    if (language == InterfaceLanguage::Japanese) {
        // Movarin's source text is Japanese already; only Qt's own buttons
        // (はい / いいえ, キャンセル) and dialogs need their translation, whatever
        // the desktop's language.
        qtInstalled_ = qt_.load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"),
                                QStringLiteral("_"),
                                QLibraryInfo::path(QLibraryInfo::TranslationsPath))
            && QCoreApplication::installTranslator(&qt_);
        return;
    }
    // Qt's own texts are English already. The file is compiled in, so a
    // missing one is a broken build: say so and go on in Japanese.
    movarinInstalled_ = movarin_.load(QStringLiteral(":/i18n/movarin_en.qm"))
        && QCoreApplication::installTranslator(&movarin_);
    if (!movarinInstalled_)
        std::fprintf(stderr, "movarin: the English translation cannot be loaded\n");
}

InterfaceTranslation::~InterfaceTranslation()
{
    if (movarinInstalled_)
        QCoreApplication::removeTranslator(&movarin_);
    if (qtInstalled_)
        QCoreApplication::removeTranslator(&qt_);
}

} // namespace movarin
