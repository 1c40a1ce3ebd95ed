#include "screen/StatusLine.h"

namespace lantern {

// Placeholder until the status line lands.
void DrawStatusLine(zScreen&, const StatusLineInfo&) {}

} // namespace lantern
