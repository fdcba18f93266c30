#pragma once
// Marks a text of a unit free of Qt for the translation tools; the text is
// translated with its context where it is shown. The definition is Qt's own,
// so it does not matter which comes first.
#ifndef QT_TRANSLATE_NOOP
#define QT_TRANSLATE_NOOP(scope, x) x
#endif
