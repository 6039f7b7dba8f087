#pragma once

// The feed dialog: the user enters an address, lets the dialog fetch and recognise the feed, sees its details and
// confirms a unique name and a refresh interval. It adds a feed (after a successful fetch) or edits one; it never
// touches the store itself: the caller applies Result() (ApplyFeedEdit or NewFeedFromEdit).

#include <functional>
#include <optional>

#include <QDialog>
#include <QUrl>

#include "feeds/feed_records.h"
#include "settings/settings.h"
#include "ui/dialogs/feed_edit_fetch.h"
#include "ui/rules/feed_edit_rules.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace tidewick {

class TNumberBox;

class TFeedEditDialog : public QDialog {
  Q_OBJECT

 public:
  // Opens links of the details list; true when it worked.
  using TLinkOpener = std::function<bool(const QUrl& url)>;
  // Called with a "feed:" address from the details list: the window opens its add dialog for it.
  using TFeedLinkHandler = std::function<void(const QString& address)>;

  // Reads DefaultTTL and the proxy values of `settings`.
  TFeedEditDialog(const TSettingsValues& settings, QWidget* parent);
  ~TFeedEditDialog() override;

  // Adding: `address` as handed over, or, when empty, the clipboard's text; kept only when it looks like a feed
  // address. A kept address is fetched as soon as the dialog shows.
  void PrepareAdd(const QString& address);
  // Editing a copy of a stored feed: shown at once, OK enabled, nothing fetched until the user asks.
  void PrepareEdit(const TFeed& feed);
  // Adding: the folders the new feed may go into (shown as given, plain text) and the one chosen at first.
  void OfferFolders(const QStringList& folders, int chosen);
  // The offered folder chosen at OK (-1 when none was offered).
  int ChosenFolder() const;

  // Valid after the dialog closed with OK.
  const TFeedEditResult& Result() const { return m_result; }
  bool EditMode() const { return m_editMode; }
  bool FetchRunning() const { return m_fetcher.Busy(); }

  void SetLinkOpener(TLinkOpener opener) { m_openLink = std::move(opener); }
  void SetFeedLinkHandler(TFeedLinkHandler handler) { m_feedLinkHandler = std::move(handler); }

 public slots:
  void accept() override;
  void reject() override;

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildControls();
  void BuildIntervalMenu();
  void ApplyTexts();
  void NormalizeAddressField();
  void StartFetch();
  void TakeFetchOutcome(TFeedFetchOutcome outcome);
  bool FollowDiscoveredFeed(const TFeedFetchOutcome& outcome);
  void ShowFetching(bool fetching);
  void FillDetails(const TFeed& feed);
  void AddDetailRow(const TDetailRow& row);
  void AddressEdited();
  void OpenDetail(QTreeWidgetItem* item);
  void ShowIntervalMenu(const QPoint& globalPosition);

  const int m_defaultTtl;
  const TFetchOptions m_fetchOptions;
  TFeed m_work;                    // the edited feed's copy (editing) or empty (adding)
  std::optional<TFeed> m_fetched;  // the last recognised document for the address in the field
  std::string m_fetchedAddress;
  TDateTime m_fetchedAt = kNoDate;
  std::string m_discoveredAddress;  // the feed address last taken from a page: never discovered from again
  bool m_editMode = false;
  bool m_intervalWasUnset = false;
  bool m_shown = false;
  TFeedEditResult m_result;
  TLinkOpener m_openLink;
  TFeedLinkHandler m_feedLinkHandler;
  TFeedEditFetcher m_fetcher;

  QGroupBox* grpFeedURL = nullptr;
  QLabel* lblFeedURL = nullptr;
  QLineEdit* txtFeedURL = nullptr;
  QPushButton* btnGetFeed = nullptr;
  QLabel* lblFetchState = nullptr;
  QGroupBox* grpDetails = nullptr;
  QTreeWidget* lvDetails = nullptr;
  QLabel* lblName = nullptr;
  QLineEdit* txtName = nullptr;
  QLabel* lblTTL = nullptr;
  TNumberBox* txtTTL = nullptr;
  QLabel* lblMin1 = nullptr;
  QMenu* pmnuTTL = nullptr;
  QCheckBox* chkRefreshAtStart = nullptr;
  QCheckBox* chkLoadImages = nullptr;
  QLabel* lblFolder = nullptr;
  QComboBox* cmbFolder = nullptr;  // adding only
  QPushButton* btnOk = nullptr;
  QPushButton* btnCancel = nullptr;
};

}  // namespace tidewick
