#pragma once
// What the three windows share: the Gothic 12-pixel font, image buttons made
// from the compiled-in pictures, and the background picture.
#include <QFont>
#include <QRect>
#include <QString>

#include <initializer_list>

#include "ui/PngPicture.h"
#include "ui/imagebutton.h"

class QKeyEvent;

namespace movarin {

// "ＭＳ Ｐゴシック" where it exists, else the metric-compatible IPA Gothic.
QFont WindowFont();

// A frameless image button at geometry with the pictures "<images>_*.png" of
// the chosen language (ArtworkLanguage.h).
TImageButton* MakeImageButton(QWidget* parent, const char* images, QRect geometry,
                              TImageButtonLayout layout = ibsImageAbove, int tag = 0);

// The picture <name> in the chosen language, or an empty one (with a warning) when it
// cannot be read: a broken picture must not keep the window from opening.
TPngPicture LoadWindowPicture(const char* name);

// Tab visits the widgets in this order (and the window's others after them).
void SetTabOrder(std::initializer_list<QWidget*> widgets);

// Names an image button for assistive technology (its picture carries the
// label); with a key, the tooltip shows it after the name.
void NameImageButton(TImageButton* button, const QString& name, const QString& key = {});

// The keys every dialog answers: Enter is OK, Escape is Cancel.
enum class DialogKey { None, Ok, Cancel };
DialogKey DialogKeyOf(const QKeyEvent& event);

} // namespace movarin
