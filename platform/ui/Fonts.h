#pragma once

namespace txl::ui {

// Maps the design's font names (宋体, Arial, MS Sans Serif) onto the installed fonts.
void installFontSubstitutions();

}   // namespace txl::ui
