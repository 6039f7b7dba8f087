#pragma once

// Feed intake: turns a downloaded document into a fresh feed record and recognises its format.

#include <string>
#include <string_view>

namespace tidewick {

class TXmlDoc;
struct TFeed;

// Reads the downloaded bytes into feed.FeedType, feed.Info and feed.Items; every other field of feed is left as it
// is. A missing XML declaration is supplied and a document that declares no encoding is read as UTF-8 (stray bytes
// as Windows-1252). True when the format was recognised and the channel part was read; the entries may still be
// none. Never throws.
bool ReadFeedDocument(std::string_view text, TFeed& feed);

// The format code of a parsed document: "RSS/" + version, "Atom/" + version or "Atom", "RDF", "SMF"; empty when the
// format is not recognised.
std::string DetectFeedType(const TXmlDoc& doc);

// The cleanup applied to every text taken from a feed: trims blanks and control characters, decodes HTML character
// references, drops NUL characters and normalises line breaks. With singleLine the lines are joined without a
// separator; otherwise every line break becomes CR LF.
std::string CleanText(std::string_view text, bool singleLine);

}  // namespace tidewick
