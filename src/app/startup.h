// Start-up pieces: the built-in theme and the update check.
#pragma once

#include <chrono>
#include <string>

class QWidget;

namespace quorrin {

// Applies the program's own theme for skin number `skin` (6 is the one the
// program uses); writes no file.
void SkinLoader(int skin);

enum class UpdateVerdict { kRun, kUpdate };

// Reads "http://" + host + "/yy.txt", waiting at most `limit`. Only a 2xx
// answer whose text is not exactly "1" asks for an update; an empty host, no
// answer or an error status lets the program run on.
UpdateVerdict CheckUpdateFlag(const std::string& updateHost,
                              std::chrono::milliseconds limit = std::chrono::seconds(5));

}  // namespace quorrin
