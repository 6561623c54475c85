// The two message boxes, as small modal FLTK windows: the text, an OK
// button, and for an error a stop sign beside the text. Return, Escape, the
// button and the close box all dismiss it.
#pragma once

#include <string>

namespace plat {

// Shows the box and runs the event loop until it is dismissed.
void x11MessageDialog(const std::string& text, const std::string& title, bool stopIcon);

}  // namespace plat
