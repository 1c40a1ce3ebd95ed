#pragma once

namespace lantern {

/// Makes the display area known to assistive technology: the lower window's printed text as a
/// read-only text element, and the status line as an element of its own. Safe to call often.
void InstallDisplayAccessibility();

} // namespace lantern
