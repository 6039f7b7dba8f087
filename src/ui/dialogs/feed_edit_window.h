#pragma once

// The feed dialog run for the main window (window-modal, without a nested event loop): the confirmed result
// reaches the store and the tree, and is saved.

#include <QString>

class QDialog;

namespace tidewick {

class TMainWindow;

// Adds a feed: under the selected folder (or the root), or beside the selected feed; the new feed is selected.
// An empty address takes the clipboard's, when it looks like a feed address.
// Returns the open dialog, which deletes itself when it closes.
QDialog* RunAddFeedDialog(TMainWindow& window, const QString& address);

// Edits the feed selected in the tree; nothing when no feed is selected. The edit is applied to the feed by its
// Id, so a refresh that finished while the dialog was open is kept and read marks stay.
void RunEditFeedDialog(TMainWindow& window);

}  // namespace tidewick
