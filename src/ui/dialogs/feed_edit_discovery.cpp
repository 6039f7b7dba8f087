// The feed dialog given a web page instead of a feed: the feeds the page names are offered, so a site's address is
// enough to subscribe.

#include <QLineEdit>
#include <QStringList>

#include "ui/dialogs/feed_edit_dialog.h"
#include "ui/main/lang_qstring.h"
#include "ui/main/ui_prompts.h"

namespace tidewick {
namespace {

QString ChoiceText(const TDiscoveredFeed& feed) {
  const QString address = QString::fromStdString(feed.Address);
  return feed.Title.empty() ? address : QString::fromStdString(feed.Title) + QStringLiteral(" (") + address + ')';
}

}  // namespace

// One feed is fetched at once, several are offered for a choice. False leaves the outcome to be shown as not
// recognised: the page names no feed, the user cancelled, or the address came from a page already (a page naming
// another page is not followed further).
bool TFeedEditDialog::FollowDiscoveredFeed(const TFeedFetchOutcome& outcome) {
  if (outcome.Discovered.empty() || outcome.Address == m_discoveredAddress)
    return false;
  size_t chosen = 0;
  if (outcome.Discovered.size() > 1) {
    QStringList choices;
    for (const TDiscoveredFeed& feed : outcome.Discovered)
      choices << ChoiceText(feed);
    const std::optional<int> row =
        prompts::ChooseItem(this, Text("FeedEdit|MsgChooseFeedTitle", "Feed auswählen"),
                            Text("FeedEdit|MsgChooseFeedText",
                                 "Diese Seite ist kein Feed, nennt aber mehrere. Welches möchten Sie abonnieren?"),
                            choices);
    if (!row)
      return false;
    chosen = static_cast<size_t>(*row);
  }
  m_discoveredAddress = outcome.Discovered[chosen].Address;
  txtFeedURL->setText(QString::fromStdString(m_discoveredAddress));
  StartFetch();
  return true;
}

}  // namespace tidewick
