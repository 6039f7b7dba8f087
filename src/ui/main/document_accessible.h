#pragma once

// Screen readers meet the entry's HTML view as what it is, a read-only document whose text they can read and walk,
// not as the label Qt makes of every QTextBrowser.

namespace tidewick {

// Gives every TEntryBrowser created from now on the document role and its text; a second call does nothing.
void InstallDocumentAccessibility();

}  // namespace tidewick
