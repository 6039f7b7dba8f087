// The choice of reader by format code.

#include "formats/feed_reader.h"

#include "formats/atom_reader.h"
#include "formats/rdf_reader.h"
#include "formats/rss_reader.h"
#include "formats/smf_reader.h"

namespace tidewick {

namespace {

constexpr TFeedReader kRssReader{&ReadRssChannel, &ReadRssItems};
constexpr TFeedReader kAtomReader{&ReadAtomFeed, &ReadAtomEntries};
constexpr TFeedReader kRdfReader{&ReadRdfChannel, &ReadRdfItems};
constexpr TFeedReader kSmfReader{&ReadSmfChannel, &ReadSmfArticles};

}  // namespace

const TFeedReader* FindFeedReader(std::string_view feedType) {
  if (feedType.starts_with("RSS/")) {
    return &kRssReader;
  }
  if (feedType.starts_with("Atom")) {
    return &kAtomReader;
  }
  if (feedType == "RDF") {
    return &kRdfReader;
  }
  if (feedType == "SMF") {
    return &kSmfReader;
  }
  return nullptr;
}

}  // namespace tidewick
