#pragma once

// Feed intake: turns a downloaded document into a fresh feed record and recognises its format.

#include <cstddef>
#include <string>
#include <string_view>

namespace tidewick {

class TXmlDoc;
struct TFeed;

// Reads the downloaded bytes into feed.FeedType, feed.Info and feed.Items (within the limits of ReadDownloadedFeed);
// every other field of feed is left as it is. A missing XML declaration is supplied and a document that declares no
// encoding is read as UTF-8 (stray bytes as Windows-1252). True when the format was recognised and the channel part was
// read; the entries may still be none. Relative links are resolved against the document's xml:base and, failing
// that, documentAddress (where the document was downloaded from; empty when unknown). Never throws.
bool ReadFeedDocument(std::string_view text, TFeed& feed, std::string_view documentAddress = {});

// What reading a downloaded document found out.
struct TFeedDocumentResult {
  bool Ok = false;  // the format was recognised and the channel part was read
  // The whole document was read: its top element closed, nothing cut off, its tree within the memory a document may
  // take. An incomplete document (a download cut short, a server error half-way) must never drop stored entries.
  bool Complete = false;
};

// ReadFeedDocument for a download: takes the body over rather than copying it, bounds the memory the document's tree
// may take (FeedTreeBudget) and the number of entries, and lets only a few large documents be read at once, so many
// workers with large downloads stay within a fixed amount of memory.
TFeedDocumentResult ReadDownloadedFeed(std::string&& text, TFeed& feed, std::string_view documentAddress = {});

inline constexpr std::size_t kLargeDocumentBytes = std::size_t{4} << 20;  // larger documents wait for a place
inline constexpr std::ptrdiff_t kLargeDocumentsAtOnce = 2;
inline constexpr std::size_t kMinFeedTreeBytes = std::size_t{8} << 20;
inline constexpr std::size_t kMaxFeedTreeBytes = std::size_t{192} << 20;
// The memory the tree of a downloaded document of this size may take.
std::size_t FeedTreeBudget(std::size_t documentBytes);

// The reason given for a refresh whose document ended early ("Main|FeedCutShort").
std::string FeedCutShortText();

// The format code of a parsed document: "RSS/" + version, "Atom/" + version or "Atom", "RDF", "SMF"; empty when the
// format is not recognised.
std::string DetectFeedType(const TXmlDoc& doc);

// The cleanup applied to every text taken from a feed: trims blanks and control characters, decodes HTML character
// references, drops NUL characters and normalises line breaks. With singleLine the lines are joined without a
// separator; otherwise every line break becomes CR LF.
std::string CleanText(std::string_view text, bool singleLine);

}  // namespace tidewick
