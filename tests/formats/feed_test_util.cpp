#include "formats/feed_test_util.h"

#include <fstream>
#include <iterator>

#include "formats/feed_document.h"
#include "support/temp_dir.h"

namespace tidewick::test {

TReadResult ReadFeed(std::string_view text, std::string_view documentAddress) {
  TReadResult result;
  // The clock has millisecond resolution; widen the window so a rounding step cannot fall outside it.
  constexpr TDateTime kSlack = 2.0 / 86400.0;
  result.Before = NowUtc() - kSlack;
  result.Ok = ReadFeedDocument(text, result.Feed, documentAddress);
  result.After = NowUtc() + kSlack;
  return result;
}

std::string ReadFormatsData(const std::string& name) {
  std::ifstream file(DataPath("formats/" + name), std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

TReadResult ReadFeedFile(const std::string& name, std::string_view documentAddress) {
  return ReadFeed(ReadFormatsData(name), documentAddress);
}

std::string Rss(std::string_view channelBody) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<rss version=\"2.0\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\"><channel>" +
         std::string(channelBody) + "</channel></rss>\n";
}

std::string Atom(std::string_view feedBody) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<feed xmlns=\"http://www.w3.org/2005/Atom\">" +
         std::string(feedBody) + "</feed>\n";
}

}  // namespace tidewick::test
