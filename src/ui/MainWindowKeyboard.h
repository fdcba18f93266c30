#pragma once
// The main window without a mouse: names for a screen reader, Tab through
// the list and the buttons, and the keys a user expects for the buttons.

class TFormMain;

namespace movarin {

// Names the window's controls for assistive technology, orders Tab (the list
// first, then the buttons as laid out), and binds Ctrl+O, Delete and Escape to
// their buttons (shown in the buttons' tooltips) and Ctrl+A to the list. A key
// clicks its button, so the button's handler, confirmations and enabled
// state apply as they do for the mouse.
void SetUpMainWindowKeyboard(TFormMain& window);

} // namespace movarin
