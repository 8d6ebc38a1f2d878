#pragma once

#include <QPalette>

namespace verandel::test {

// The style's own light palette, and a dark one like a dark desktop theme's, for tests and pictures
// that must read on both.
QPalette lightPalette();
QPalette darkPalette();

} // namespace verandel::test
