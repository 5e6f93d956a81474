// The one QApplication of a test program that draws or makes widgets.
#pragma once

namespace varnok::test {

// Creates the application the first time it is called; later calls do nothing.
// It lives until the program ends.
void EnsureApplication();

}  // namespace varnok::test
