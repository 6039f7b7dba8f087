// The JSON form of a feed record, as tidewick-feed prints it.

#include "feed_json.h"

#include <string>

#include "feeds/entry_title.h"

namespace tidewick {

nlohmann::json DateToJson(TDateTime date) {
  if (date == kNoDate) {
    return nullptr;
  }
  return DateTimeToIso8601(date);
}

nlohmann::json FeedInfoToJson(const TFeedInfo& info) {
  return nlohmann::json{
      {"Title", info.Title},
      {"Link", info.Link},
      {"Description", info.Description},
      {"Copyright", info.Copyright},
      {"Language", info.Language},
      {"PublishedDate", DateToJson(info.PublishedDate)},
      {"LastBuildDate", DateToJson(info.LastBuildDate)},
      {"TTL", info.TTL},
      {"ImageTitle", info.ImageTitle},
      {"ImageURL", info.ImageURL},
      {"ImageLink", info.ImageLink},
      {"ImageWidth", info.ImageWidth},
      {"ImageHeight", info.ImageHeight},
  };
}

nlohmann::json EntryToJson(const TEntry& item) {
  nlohmann::json json{
      {"Title", ItemDisplayTitle(item)},  // the placeholder stands in, as everywhere titles are shown
      {"Link", item.Link},
      {"Description", item.Description},
      {"PublishedDate", DateToJson(item.PublishedDate)},
      {"Author", item.Author},
      {"Readed", item.IsRead},
      {"Visited", item.Visited},
  };
  if (!item.Categories.empty()) {
    json["Categories"] = item.Categories;  // only then, like the store: older scripts see what they saw
  }
  for (const TEnclosure& enclosure : item.Enclosures) {  // the same for files
    nlohmann::json file{{"Url", enclosure.Url}, {"Type", enclosure.Type}};
    if (enclosure.Length >= 0) {
      file["Length"] = enclosure.Length;
    }
    json["Enclosures"].push_back(std::move(file));
  }
  return json;
}

nlohmann::json FeedToJson(const TFeed& feed, bool ok) {
  nlohmann::json items = nlohmann::json::array();
  for (const TEntry& item : feed.Entries) {
    items.push_back(EntryToJson(item));
  }
  return nlohmann::json{
      {"ok", ok},
      {"FeedType", feed.FeedType},
      {"Info", FeedInfoToJson(feed.Info)},
      {"Items", std::move(items)},
  };
}

std::string DumpJson(const nlohmann::json& value) {
  return value.dump(2, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace tidewick
