#pragma once

#include <QPalette>

namespace verandel::test {

// The style's own light palette, a dark one like a dark desktop theme's, and a high-contrast one (white
// on black, a yellow accent), for tests and pictures that must read on all of them.
QPalette lightPalette();
QPalette darkPalette();
QPalette highContrastPalette();

} // namespace verandel::test
