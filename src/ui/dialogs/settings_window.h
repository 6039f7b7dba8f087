#pragma once

// The settings dialog run for the main window, and the info dialog; both window-modal, without a nested event
// loop.

namespace tidewick {

class TMainWindow;

// Stores the tree arrangement and the selected path first, normalises the auto-read terms (also when the user
// cancels), runs the dialog and, after OK, takes the values in and applies them in order, then saves.
void RunSettingsDialog(TMainWindow& window);

void RunInfoDialog(TMainWindow& window);

}  // namespace tidewick
