#pragma once

// The files an entry carries, as the entry page lists them under its header: a link named after the file, then its
// type and size as plain text.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "feeds/feed_records.h"

namespace tidewick {

// The last segment of the address's path ("episode%2012.mp3"), else its host; never empty for a web address.
std::string EnclosureFileName(std::string_view url);

// "999 B", "12.3 kB", "4.0 MB", "1.5 GB" (powers of 1000); empty for an unknown length.
std::string HumanSize(int64_t bytes);

// "audio/mpeg, 12.3 MB": what is known of the file, empty when nothing is.
std::string EnclosureDetails(const TEnclosure& enclosure);

// The block the page shows above the content: a translated heading and one line per file, every value escaped;
// empty without files.
std::string EnclosureListHtml(const std::vector<TEnclosure>& enclosures);

}  // namespace tidewick
