// Feed intake: declaration repair, parsing, format detection and the choice of reader.

#include "formats/feed_document.h"

#include <algorithm>
#include <exception>
#include <semaphore>
#include <string>
#include <string_view>
#include <thread>

#include "feeds/feed_records.h"
#include "formats/feed_reader.h"
#include "formats/reader_support.h"
#include "lang/lang_text.h"
#include "util/case_fold.h"
#include "util/charset.h"
#include "util/utf8.h"
#include "xml/xml_doc.h"

namespace tidewick {

namespace {

constexpr std::string_view kDeclaration = "<?xml version=\"1.0\" ?>\r\n";
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kUtf8BomAndDeclaration = "\xEF\xBB\xBF<?xml version=\"1.0\" ?>\r\n";

// Whether "<?xml" (any letter case, a stylesheet instruction included) occurs before the first element. Only the
// prolog counts: a feed without a declaration whose content quotes one in a CDATA section still gets one put in
// front, or its top element would become the root and no path would find it.
bool HasDeclaration(std::string_view text) {
  size_t pos = 0;
  while ((pos = text.find('<', pos)) != std::string_view::npos) {
    if (StartsWithAsciiIgnoringCase(text, pos, "<?xml")) {
      return true;
    }
    if (StartsWithAsciiIgnoringCase(text, pos, "<!--")) {
      const size_t end = text.find("-->", pos + 4);
      if (end == std::string_view::npos) {
        return false;
      }
      pos = end + 3;
    } else if (pos + 1 < text.size() && (text[pos + 1] == '?' || text[pos + 1] == '!')) {
      pos += 2;  // another processing instruction or a document type declaration
    } else {
      return false;  // the first element starts here
    }
  }
  return false;
}

// The UTF-16 form of a document (byte-order mark, or "<" as the first character), empty for any other. Such a
// document is converted here, before the declaration check, which looks for single-byte markup.
std::string_view Utf16Encoding(std::string_view text) {
  const auto startsWith = [text](std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; };
  if (startsWith("\xFF\xFE") || startsWith("\xFE\xFF")) {
    return "UTF-16";
  }
  if (startsWith(std::string_view("<\0", 2))) {
    return "UTF-16LE";
  }
  if (startsWith(std::string_view("\0<", 2))) {
    return "UTF-16BE";
  }
  return {};
}

// No character XML forbids gets into a feed record (a reference such as "&#1;" or "&#xFFFE;", or the raw bytes):
// the store could not hold it. An entry whose title or link changed by this keeps the one stored before, so the
// merge still knows it.
void ReplaceForbiddenCharacters(TFeed& feed) {
  for (std::string* text :
       {&feed.FeedType, &feed.Info.Title, &feed.Info.Link, &feed.Info.Description, &feed.Info.Copyright,
        &feed.Info.Language, &feed.Info.ImageTitle, &feed.Info.ImageURL, &feed.Info.ImageLink}) {
    ReplaceXmlForbidden(*text);
  }
  for (TEntry& item : feed.Entries) {
    if (HasXmlForbidden(item.Title) || HasXmlForbidden(item.Link)) {
      TEarlierIdentity stored{item.Title, item.Link};
      ReplaceXmlForbidden(item.Title);
      ReplaceXmlForbidden(item.Link);
      if (!item.HasLegacyIdentity) {
        KeepEarlierIdentity(item, std::move(stored));
      }
    }
    ReplaceXmlForbidden(item.Description);
    ReplaceXmlForbidden(item.Author);
    for (std::string& category : item.Categories) {
      ReplaceXmlForbidden(category);
    }
    for (TEnclosure& enclosure : item.Enclosures) {
      ReplaceXmlForbidden(enclosure.Type);
    }
  }
}

bool ReadDocument(const TXmlDoc& doc, TFeed& feed, std::string_view documentAddress) {
  feed.FeedType = DetectFeedType(doc);
  const TFeedReader* reader = FindFeedReader(feed.FeedType);
  if (reader == nullptr) {
    return false;
  }
  try {
    if (!reader->ReadChannel(doc, feed.Info, documentAddress)) {
      return false;
    }
  } catch (const std::exception&) {
    return false;
  }
  try {
    reader->ReadItems(doc, feed.Entries, documentAddress);
  } catch (const std::exception&) {
    // The channel was read: the entries read so far stay and the feed counts as read.
  }
  return true;
}

// Puts a declaration in front when the document lacks one (and converts UTF-16 first), so that the readers' paths
// start below the declaration.
std::string RepairedDocument(std::string&& text) {
  std::string_view prefix;
  if (const std::string_view utf16 = Utf16Encoding(text); !utf16.empty()) {
    // The UTF-8 byte-order mark makes the reader take the converted text as it is, whatever its declaration says.
    text = DecodeToUtf8(std::string_view(text), utf16);
    prefix = kUtf8Bom;
  }
  if (!HasDeclaration(text)) {
    prefix = prefix.empty() ? kDeclaration : kUtf8BomAndDeclaration;
  }
  text.insert(0, prefix);
  return std::move(text);
}

TFeedDocumentResult ReadRepaired(std::string&& text, TFeed& feed, const TXmlLoadOptions& options,
                                 std::string_view documentAddress) {
  feed.FeedType.clear();
  InitFeedInfo(feed.Info);
  feed.Entries.clear();
  TFeedDocumentResult result;
  try {
    TXmlDoc doc("?xml");
    doc.SetEncoding("UTF-8");  // a document that declares no encoding is read as UTF-8
    const TXmlLoadResult loaded = doc.LoadFromOwnedText(RepairedDocument(std::move(text)), options);
    result.Ok = ReadDocument(doc, feed, documentAddress);
    ReplaceForbiddenCharacters(feed);
    result.Complete = result.Ok && loaded.Complete && feed.Entries.size() <= kMaxEntriesPerDocument;
    if (feed.Entries.size() > kMaxEntriesPerDocument) {
      feed.Entries.resize(kMaxEntriesPerDocument);
    }
  } catch (const std::exception&) {
    result.Ok = false;  // out of memory, say: the document is not taken
  }
  return result;
}

// Documents are read at most one per core at a time: more would only share the cores while each holds its tree.
std::counting_semaphore<> g_documentPlaces(static_cast<std::ptrdiff_t>(std::max(2u,
                                                                                std::thread::hardware_concurrency())));

// Large documents also wait for one of these few places before they are read.
std::counting_semaphore<kLargeDocumentsAtOnce> g_largeDocumentPlaces(kLargeDocumentsAtOnce);

class TDocumentPlace {
 public:
  TDocumentPlace() { g_documentPlaces.acquire(); }
  ~TDocumentPlace() { g_documentPlaces.release(); }
  TDocumentPlace(const TDocumentPlace&) = delete;
  TDocumentPlace& operator=(const TDocumentPlace&) = delete;
};

class TLargeDocumentPlace {
 public:
  explicit TLargeDocumentPlace(bool large) : m_held(large) {
    if (m_held) {
      g_largeDocumentPlaces.acquire();
    }
  }
  ~TLargeDocumentPlace() {
    if (m_held) {
      g_largeDocumentPlaces.release();
    }
  }
  TLargeDocumentPlace(const TLargeDocumentPlace&) = delete;
  TLargeDocumentPlace& operator=(const TLargeDocumentPlace&) = delete;

 private:
  bool m_held;
};

}  // namespace

std::size_t FeedTreeBudget(std::size_t documentBytes) {
  // Real feeds take a few bytes of tree per byte of text; a flood of empty elements is cut at four, and never beyond
  // the fixed ceiling, whatever the size of the download.
  return std::min(kMaxFeedTreeBytes, std::max(kMinFeedTreeBytes, documentBytes * 4));
}

bool ReadFeedDocument(std::string_view text, TFeed& feed, std::string_view documentAddress) {
  return ReadDownloadedFeed(std::string(text), feed, documentAddress).Ok;
}

TFeedDocumentResult ReadDownloadedFeed(std::string&& text, TFeed& feed, std::string_view documentAddress) {
  TXmlLoadOptions options;
  options.MaxTreeBytes = FeedTreeBudget(text.size());
  const TDocumentPlace place;
  const TLargeDocumentPlace largePlace(text.size() > kLargeDocumentBytes);
  return ReadRepaired(std::move(text), feed, options, documentAddress);
}

std::string FeedCutShortText() {
  return GetLangText("Main|FeedCutShort",
                     "Das Feed-Dokument endete vorzeitig; die gespeicherten Einträge bleiben bis zur nächsten "
                     "vollständigen Abfrage erhalten.");
}

std::string DetectFeedType(const TXmlDoc& doc) {
  const TXmlNode* root = doc.Root();
  if (const TXmlNode* rss = FindChild(root, "rss")) {
    const std::string_view version = AttribValue(rss, "version");
    if (!version.empty()) {
      return "RSS/" + std::string(version);
    }
  }
  if (const TXmlNode* atom = FindChild(root, "feed")) {
    const std::string_view version = AttribValue(atom, "version");
    return version.empty() ? std::string("Atom") : "Atom/" + std::string(version);
  }
  if (FindChild(root, "rdf:rdf") != nullptr) {
    return "RDF";
  }
  if (FindChild(root, "smf:xml-feed") != nullptr) {
    return "SMF";
  }
  return {};
}

}  // namespace tidewick
