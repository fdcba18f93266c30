#include "ui/ArtworkLanguage.h"

#include <QFileInfo>

namespace movarin {

namespace {

const QString Default = QStringLiteral("ja");

QString& Chosen()
{
    static QString language = Default;
    return language;
}

QString Folder(const QString& language) { return QStringLiteral(":/img/") + language + QLatin1Char('/'); }

} // namespace

void SetArtworkLanguage(const QString& language)
{
    // The pictures decide, so a language added to assets/ needs no code here
    // (and a folder of other pictures, such as the icon's, is no language).
    if (!language.isEmpty() && QFileInfo::exists(Folder(language) + QStringLiteral("main/background.png"))) {
        Chosen() = language;
        return;
    }
    qWarning("No pictures for language \"%s\"; the Japanese ones are shown", qUtf8Printable(language));
    Chosen() = Default;
}

QString ArtworkPath(const QString& name) { return Folder(Chosen()) + name; }

} // namespace movarin
