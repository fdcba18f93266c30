#pragma once
// How Movarin's own widgets show to assistive technology (a screen reader on
// the desktop's accessibility bus): an image button is a push button named
// after the label its picture carries, with a press action that clicks it,
// and a window made of a plain widget is a frame.

namespace movarin {

// Installs the interface factory for these widgets once; later calls do nothing.
void InstallImageButtonAccessibility();

} // namespace movarin
