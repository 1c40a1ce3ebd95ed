#pragma once

class QWidget;

namespace lantern {

/// The About Lantern box: the version and the keys the window knows.
void ShowAboutLantern(QWidget* parent);

} // namespace lantern
