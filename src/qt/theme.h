// The program's own look on Qt.
#pragma once

namespace quorrin {

// Applies the program's own theme for skin number `skin` (6 is the one the
// program uses); writes no file.
void SkinLoader(int skin);

}  // namespace quorrin
