#pragma once
// Which language's pictures the windows show. The button pictures and the
// backgrounds carry words, so each language has its own folder of them
// (":/img/ja/", ":/img/en/"); the choice is the program's, made once at
// start-up, not the locale's.
#include <QString>

namespace movarin {

// "ja" (the default) or "en"; a language without pictures keeps Japanese.
// Call it before the first window is built: windows load their pictures once.
void SetArtworkLanguage(const QString& language);

// The compiled-in picture `name` (e.g. "main/background.png") in the chosen
// language.
QString ArtworkPath(const QString& name);

} // namespace movarin
