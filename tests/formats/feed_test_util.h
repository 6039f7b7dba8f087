#pragma once

// Small helpers for the reader tests: reading a document in one call and checking "now" dates.

#include <string>
#include <string_view>

#include "feeds/feed_records.h"
#include "util/dates.h"

namespace tidewick::test {

// The result of ReadFeedDocument with the record it filled, and the clock around the call.
struct TReadResult {
  bool Ok = false;
  TFeed Feed;
  TDateTime Before = 0;
  TDateTime After = 0;

  // Whether date was taken from the clock during the reading.
  bool IsNow(TDateTime date) const { return date >= Before && date <= After; }
  const TEntry& Item(size_t index) const { return Feed.Entries.at(index); }
};

// documentAddress: where the document was downloaded from, for relative links.
TReadResult ReadFeed(std::string_view text, std::string_view documentAddress = {});
// Reads a file below tests/data/formats.
TReadResult ReadFeedFile(const std::string& name, std::string_view documentAddress = {});
std::string ReadFormatsData(const std::string& name);

// An RSS 2.0 document with the given channel children (items included).
std::string Rss(std::string_view channelBody);
// An Atom 1.0 document with the given feed children.
std::string Atom(std::string_view feedBody);

}  // namespace tidewick::test
