// Closing the window when the session asks the program to end (SIGTERM,
// SIGINT, SIGHUP), so that running jobs end as they do on a close and leave no
// part file behind.
#pragma once

class QWidget;

namespace quorrin {

// Closes `window` on the window thread when one of those signals arrives.
void CloseOnTerminationSignals(QWidget* window);

}  // namespace quorrin
