#include "ui/dialogs/feed_edit_dialog.h"

#include <memory>

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>
#include <QTextDocumentFragment>
#include <QTreeWidget>

#include "support/http_test_server.h"
#include "ui/main/ui_prompts.h"
#include "ui/ui_test_support.h"

using namespace tidewick;
using test::PromptTitles;

namespace {

std::string Rss(const std::string& title, const std::string& ttl, const std::vector<std::string>& items) {
  std::string body = "<?xml version=\"1.0\"?><rss version=\"2.0\"><channel><title>" + title +
                     "</title><link>https://example.org/</link><pubDate>Tue, 05 Dec 2006 21:30:00 GMT</pubDate>" +
                     (ttl.empty() ? "" : "<ttl>" + ttl + "</ttl>");
  for (const std::string& item : items)
    body += "<item><title>" + item + "</title><link>https://example.org/" + item + "</link></item>";
  return body + "</channel></rss>";
}

}  // namespace

class FeedEditDialogTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<test::THttpTestServer> m_server;
  std::unique_ptr<TFeedEditDialog> m_dialog;
  TSettingsValues m_settings;

  template <typename T>
  T* Child(const char* name) {
    return test::Child<T>(*m_dialog, name);
  }
  QString Url(const std::string& path) const { return QString::fromStdString(m_server->Url(path)); }
  QPushButton* Ok() { return Child<QPushButton>("btnOk"); }
  QStringList DetailCaptions() {
    QStringList captions;
    auto* list = Child<QTreeWidget>("lvDetails");
    for (int i = 0; i < list->topLevelItemCount(); ++i)
      captions << list->topLevelItem(i)->text(0);
    return captions;
  }
  TFeed StoredFeed(const char* name) {
    TFeed feed;
    feed.Name = name;
    feed.URL = "feed://" + m_server->Url("/stored.xml").substr(7);
    feed.Interval = 120;
    feed.Info.Title = "Stored channel";
    return feed;
  }
  // Adds the feed to the store and opens the dialog on it; its place in the store.
  size_t Edit(const TFeed& feed, bool show = true) {
    const auto index = static_cast<size_t>(AddFeed(feed));
    m_dialog->PrepareEdit(Feeds[index]);
    if (show)
      m_dialog->show();
    return index;
  }
  QTreeWidgetItem* DetailRow(const QString& caption) {
    const QList<QTreeWidgetItem*> rows = Child<QTreeWidget>("lvDetails")->findItems(caption, Qt::MatchExactly, 0);
    return rows.size() == 1 ? rows[0] : nullptr;
  }

 private slots:
  void init() {
    prompts::SetScripted(true);
    Feeds.clear();
    QGuiApplication::clipboard()->clear();
    m_server = std::make_unique<test::THttpTestServer>();
    m_settings = TSettingsValues{};
    m_settings.DefaultTTL = 90;
    m_dialog = std::make_unique<TFeedEditDialog>(m_settings, nullptr);
  }

  void cleanup() {
    m_dialog.reset();
    m_server.reset();
    Feeds.clear();
    prompts::SetScripted(false);
  }

  // Which texts count as feed addresses is the core's rule; here one taken and one refused.
  void clipboardPrefillsOnlyFeedAddresses_data() {
    QTest::addColumn<QString>("clipboard");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("requests");
    QTest::newRow("feed scheme becomes http")
        << QString("feed://127.0.0.1:PORT/feed.xml") << QString("http://127.0.0.1:PORT/feed.xml") << 1;
    QTest::newRow("local file") << QString("file:///etc/passwd") << QString() << 0;
  }
  void clipboardPrefillsOnlyFeedAddresses() {
    QFETCH(QString, clipboard);
    QFETCH(QString, shown);
    QFETCH(int, requests);
    const QString port = QString::number(m_server->Port());
    m_server->SetResponse("/feed.xml", {.Body = Rss("Clip", "", {"a"})});
    QGuiApplication::clipboard()->setText(clipboard.replace("PORT", port));
    m_dialog = std::make_unique<TFeedEditDialog>(m_settings, nullptr);
    m_dialog->show();
    QCOMPARE(Child<QLineEdit>("txtFeedURL")->text(), shown.replace("PORT", port));
    QTRY_COMPARE(m_server->RequestCount(), requests);
    if (requests > 0)
      QTRY_VERIFY(Ok()->isEnabled());
    QVERIFY(!Ok()->isEnabled() || requests > 0);
  }

  void fetchFillsDetailsNameAndIntervalThenAsksAboutTheLowInterval() {
    m_server->SetResponse("/feed.xml", {.Body = Rss("Channel [de]", "30", {"a", "b"})});
    m_dialog->PrepareAdd(Url("/feed.xml"));
    m_dialog->show();
    QVERIFY(!Child<QLabel>("lblFetchState")->text().isEmpty());
    QTRY_VERIFY(Ok()->isEnabled());
    QCOMPARE(DetailCaptions(), (QStringList{"Feed-Typ", "Title", "Link", "Veröffentlicht", "Gültigkeitsdauer"}));
    QCOMPARE(Child<QLineEdit>("txtName")->text(), QStringLiteral("Channel (de)"));
    QCOMPARE(Child<QSpinBox>("txtTTL")->value(), 30);
    QVERIFY(test::SaveScreenshot(*m_dialog, "dialog-feed-edit.png"));

    prompts::PrimeMessageAnswer(QMessageBox::No);  // keep the short interval
    QTest::mouseClick(Ok(), Qt::LeftButton);
    QCOMPARE(m_dialog->result(), int(QDialog::Accepted));
    QCOMPARE(PromptTitles(), QStringList{"Niedriges Abfrageintervall"});
    const TFeedEditResult& result = m_dialog->Result();
    QCOMPARE(result.Name, std::string("Channel (de)"));
    QCOMPARE(result.Interval, 30);
    QCOMPARE(result.URL, m_server->Url("/feed.xml"));
    QVERIFY(result.Fetched.has_value());
    QCOMPARE(result.Fetched->Entries.size(), size_t{2});
  }

  // Each failure says why (fault guarded: a 404 and a refused connection both read "could not be retrieved").
  void failedAndUnrecognisedFetchesKeepOkDisabled_data() {
    QTest::addColumn<int>("status");  // 0: nothing listens at the address
    QTest::addColumn<QString>("body");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QStringList>("details");
    const QString failed = "Das Feed konnte nicht abgefragt werden.\nGrund: ";
    QTest::newRow("not found") << 404 << QString() << failed + "HTTP 404 (nicht gefunden)" << QStringList{};
    QTest::newRow("refused") << 0 << QString() << failed + "Verbindung abgelehnt" << QStringList{};
    QTest::newRow("not a feed") << 200 << "<html><body>hi</body></html>" << QString() << QStringList{"Feed-Typ"};
    QTest::newRow("error page") << 500 << "<html><body>Oops</body></html>" << QString()
                                << QStringList{"Feed-Typ", "Ergebnis"};
  }
  void failedAndUnrecognisedFetchesKeepOkDisabled() {
    QFETCH(int, status);
    QFETCH(QString, body);
    QFETCH(QString, message);
    QFETCH(QStringList, details);
    m_server->SetResponse("/feed.xml", {.Status = status, .Body = body.toStdString()});
    QString address = Url("/feed.xml");
    if (status == 0) {
      const test::THttpTestServer closed;
      address = QString::fromStdString(closed.Url("/feed.xml"));
    }
    m_dialog->PrepareAdd(address);
    m_dialog->show();
    QTRY_VERIFY(!m_dialog->FetchRunning());
    QCOMPARE(PromptTitles(), message.isEmpty() ? QStringList{} : QStringList{"Feed abfragen"});
    if (!message.isEmpty())
      QCOMPARE(prompts::ShownPrompts().front().Text, message);
    QCOMPARE(DetailCaptions(), details);
    if (status == 500)
      QCOMPARE(Child<QTreeWidget>("lvDetails")->topLevelItem(1)->text(1),
               QStringLiteral("HTTP 500 (interner Serverfehler)"));
    QVERIFY(!Ok()->isEnabled());
  }

  void aWebPageOffersTheFeedsItNames_data() {
    QTest::addColumn<QStringList>("links");
    QTest::addColumn<int>("chosen");          // the primed row; -1: the user cancels
    QTest::addColumn<QString>("subscribed");  // the address then fetched; empty: none, the page is not recognised
    QTest::addColumn<int>("choices");         // rows offered to choose from (0: nothing asked)
    QTest::newRow("one feed is fetched at once") << QStringList{"/feed.xml"} << -1 << "/feed.xml" << 0;
    QTest::newRow("several: the chosen one")
        << QStringList{"/feed.xml", "javascript:alert(1)", "../other.xml"} << 1 << "/other.xml" << 2;
    QTest::newRow("several, cancelled") << QStringList{"/feed.xml", "/other.xml"} << -1 << "" << 2;
    // A page whose "feed" is another page is not followed further: no endless chain of fetches.
    QTest::newRow("a page naming a page") << QStringList{"/second.html"} << -1 << "" << 0;
  }
  void aWebPageOffersTheFeedsItNames() {
    QFETCH(QStringList, links);
    QFETCH(int, chosen);
    QFETCH(QString, subscribed);
    QFETCH(int, choices);
    const auto page = [](const QStringList& hrefs) {
      std::string body = "<html><head><title>Site</title>";
      for (const QString& href : hrefs)
        body += "<link rel=alternate type=application/rss+xml title=\"Posts\" href=\"" + href.toStdString() + "\">";
      return test::TTestResponse{.Body = body + "</head><body>Welcome</body></html>"};
    };
    m_server->SetResponse("/site/", page(links));
    m_server->SetResponse("/second.html", page({"/feed.xml"}));
    m_server->SetResponse("/feed.xml", {.Body = Rss("Found", "", {"a"})});
    m_server->SetResponse("/other.xml", {.Body = Rss("Other", "", {"a"})});
    if (chosen >= 0)
      prompts::PrimeChoice(chosen);
    m_dialog->PrepareAdd(Url("/site/"));
    m_dialog->show();
    QTRY_VERIFY(!m_dialog->FetchRunning());
    const auto& shown = prompts::ShownPrompts();
    QCOMPARE(shown.empty() ? 0 : int(shown.back().Items.size()), choices);
    if (choices > 0)
      QCOMPARE(shown.back().Items.back(), QStringLiteral("Posts (") + Url("/other.xml") + ')');
    if (subscribed.isEmpty()) {
      QCOMPARE(DetailCaptions(), QStringList{"Feed-Typ"});
      QVERIFY(!Ok()->isEnabled());
      return;
    }
    QVERIFY(Ok()->isEnabled());
    QCOMPARE(Child<QLineEdit>("txtFeedURL")->text(), Url(subscribed.toStdString()));
    QTest::mouseClick(Ok(), Qt::LeftButton);
    QCOMPARE(m_dialog->Result().URL, m_server->Url(subscribed.toStdString()));
    QVERIFY(m_dialog->Result().Fetched.has_value());
  }

  void onlyWebAddressesAreFetched() {
    m_dialog->show();
    auto* address = Child<QLineEdit>("txtFeedURL");
    address->setText("file:///etc/passwd");
    QTest::mouseClick(Child<QPushButton>("btnGetFeed"), Qt::LeftButton);
    QCOMPARE(prompts::ShownPrompts().size(), size_t{1});
    QCOMPARE(prompts::ShownPrompts()[0].Icon, QMessageBox::Critical);
    QVERIFY(!m_dialog->FetchRunning());
    QVERIFY(!Ok()->isEnabled());
  }

  void enterInTheAddressFetchesAndNeverConfirms() {
    m_server->SetResponse("/feed.xml", {.Body = Rss("Enter", "", {})});
    m_dialog->show();
    auto* address = Child<QLineEdit>("txtFeedURL");
    address->setFocus();
    QTest::keyClicks(address, "feed://127.0.0.1:" + QString::number(m_server->Port()) + "/feed.xml");
    QTest::keyClick(address, Qt::Key_Return);
    QCOMPARE(address->text(), Url("/feed.xml"));
    QTRY_VERIFY(Ok()->isEnabled());
    QVERIFY(m_dialog->isVisible());
    QCOMPARE(Child<QSpinBox>("txtTTL")->value(), 90);  // no TTL in the feed: the default interval

    QTest::keyClicks(address, "x");  // any change needs a new fetch
    QVERIFY(!Ok()->isEnabled());
  }

  void aServerThatNeverAnswersLeavesTheDialogUsable() {
    m_server->SetResponse("/stall.xml", {.Stall = true});
    m_server->SetResponse("/feed.xml", {.Body = Rss("Second", "", {})});
    m_dialog->PrepareAdd(Url("/stall.xml"));
    m_dialog->show();
    QTRY_COMPARE(m_server->RequestCount(), 1);
    QVERIFY(m_dialog->FetchRunning());

    auto* address = Child<QLineEdit>("txtFeedURL");
    address->setText(Url("/feed.xml"));  // typing abandons the hanging fetch
    QVERIFY(!m_dialog->FetchRunning());
    QTest::mouseClick(Child<QPushButton>("btnGetFeed"), Qt::LeftButton);
    QTRY_VERIFY(Ok()->isEnabled());
    QCOMPARE(Child<QLineEdit>("txtName")->text(), QStringLiteral("Second"));

    address->setText(Url("/stall.xml"));
    QTest::mouseClick(Child<QPushButton>("btnGetFeed"), Qt::LeftButton);
    QVERIFY(m_dialog->FetchRunning());
    QTest::mouseClick(Child<QPushButton>("btnCancel"), Qt::LeftButton);
    QCOMPARE(m_dialog->result(), int(QDialog::Rejected));
    QVERIFY(!m_dialog->FetchRunning());
    m_dialog.reset();  // must not wait for the stalled server
  }

  // The rules themselves are the core's; here the order of the messages and what each answer does.
  void okRefusesInOrder_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("interval");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QStringList>("prompts");
    QTest::addColumn<bool>("accepted");
    const QString cleaned = "Ungültige Zeichen";
    QTest::newRow("too short after the cleaning notice")
        << "Golem [x]" << 5 << int(QMessageBox::NoButton) << QStringList{cleaned, "Zu kleines Abfrageintervall"}
        << false;
    QTest::newRow("short, user corrects")
        << "Other" << 30 << int(QMessageBox::Yes) << QStringList{"Niedriges Abfrageintervall"} << false;
    QTest::newRow("short, user keeps it, then the clash")
        << "Golem" << 30 << int(QMessageBox::No)
        << QStringList{"Niedriges Abfrageintervall", "Bezeichnung bereits vergeben"} << false;
    QTest::newRow("unchanged own name") << "Heise" << 120 << int(QMessageBox::NoButton) << QStringList{} << true;
  }
  void okRefusesInOrder() {
    QFETCH(QString, name);
    QFETCH(int, interval);
    QFETCH(int, answer);
    QFETCH(QStringList, prompts);
    QFETCH(bool, accepted);
    AddFeed(StoredFeed("Golem"));
    Edit(StoredFeed("Heise"));
    Child<QLineEdit>("txtName")->setText(name);
    Child<QSpinBox>("txtTTL")->setValue(interval);
    if (answer != QMessageBox::NoButton)
      prompts::PrimeMessageAnswer(static_cast<QMessageBox::StandardButton>(answer));
    QTest::mouseClick(Ok(), Qt::LeftButton);
    QCOMPARE(PromptTitles(), prompts);
    QCOMPARE(m_dialog->isVisible(), !accepted);
  }

  void editingWithoutChangesIsAcceptedAndFetchesNothing() {
    TFeed stored = StoredFeed("Heise");
    stored.LoadImages = true;  // set by the images bar; the dialog is where it is taken back
    Edit(stored);
    QVERIFY(Child<QCheckBox>("chkLoadImages")->isChecked());
    QCOMPARE(m_dialog->windowTitle(), QStringLiteral("Feed bearbeiten"));
    QCOMPARE(Child<QLineEdit>("txtFeedURL")->text(), Url("/stored.xml"));  // shown normalised
    QVERIFY(Ok()->isEnabled());
    QTest::mouseClick(Ok(), Qt::LeftButton);
    QCOMPARE(m_dialog->result(), int(QDialog::Accepted));
    QCOMPARE(m_server->RequestCount(), 0);
    QVERIFY(m_dialog->Result().Name == "Heise" && m_dialog->Result().Interval == 120);
    QVERIFY(m_dialog->Result().LoadImages);
    QVERIFY(!m_dialog->Result().Fetched.has_value());
  }

  void editWithFetchKeepsTheNameAndProposesTheInterval() {
    TFeed stored = StoredFeed("Heise");
    stored.Interval = -1;  // never set: the fetch may propose one
    m_server->SetResponse("/stored.xml", {.Body = Rss("Renamed channel", "", {"b", "c"})});
    Edit(stored);
    QTest::mouseClick(Child<QPushButton>("btnGetFeed"), Qt::LeftButton);
    QTRY_VERIFY(Ok()->isEnabled());
    QCOMPARE(Child<QLineEdit>("txtName")->text(), QStringLiteral("Heise"));
    QCOMPARE(Child<QSpinBox>("txtTTL")->value(), 90);
    QTest::mouseClick(Ok(), Qt::LeftButton);
    QCOMPARE(m_dialog->result(), int(QDialog::Accepted));
    // What the edit then keeps of the store is the core's rule; the dialog hands it the fetched document.
    QCOMPARE(m_dialog->Result().Fetched.value_or(TFeed{}).Entries.size(), size_t{2});
  }

  void intervalMenuSetsAndMarksTheInterval() {
    m_dialog->show();
    auto* menu = Child<QMenu>("pmnuTTL");
    auto* interval = Child<QSpinBox>("txtTTL");
    interval->setValue(120);
    emit menu->aboutToShow();
    QVERIFY(Child<QAction>("pmnuTTL2")->isChecked());
    QVERIFY(!Child<QAction>("pmnuTTL1")->isChecked());
    Child<QAction>("pmnuTTLNone")->trigger();
    QCOMPARE(interval->value(), 0);
    Child<QAction>("pmnuTTL1")->trigger();
    QCOMPARE(interval->value(), 60);
  }

  void detailsTellTheLastRequestAtTheFeedsAddress() {
    TFeed feed = StoredFeed("Heise");
    feed.Refresh.Url = feed.URL;
    feed.Refresh.LastTime = NowUtc();
    feed.Refresh.LastStatus = 304;
    feed.Refresh.LastBytes = 215;
    feed.Refresh.LastUnchanged = true;
    feed.Refresh.MovedFrom = "http://example.org/old";
    const size_t index = Edit(feed, false);
    const auto value = [this](const QString& caption) {
      const QTreeWidgetItem* row = DetailRow(caption);
      return row != nullptr ? row->text(1) : QString();
    };
    QVERIFY(!value(QStringLiteral("Letzte Abfrage")).isEmpty());
    QCOMPARE(value(QStringLiteral("Ergebnis")), QStringLiteral("HTTP 304: unverändert, 215 Bytes"));
    QCOMPARE(value(QStringLiteral("Umgezogen von")), QStringLiteral("http://example.org/old"));
    // A failure says why; a value too long for its column is whole in its tip, wrapped and never read as markup.
    Feeds[index].Refresh.LastFailure = "too-slow";
    m_dialog->PrepareEdit(Feeds[index]);
    const QString failed = QStringLiteral(
        "Fehlgeschlagen (Zeitüberschreitung: der Server sendet zu langsam (unter 64 Bytes/s über 30 s)), "
        "215 Bytes");
    QCOMPARE(value(QStringLiteral("Ergebnis")), failed);
    const auto tip = [this] { return DetailRow(QStringLiteral("Ergebnis"))->toolTip(1); };
    QVERIFY(Qt::mightBeRichText(tip()));
    QCOMPARE(QTextDocumentFragment::fromHtml(tip()).toPlainText(), failed);
    Feeds[index].Refresh.LastFailure = "<b>bold</b> & more";  // free text of an older version
    m_dialog->PrepareEdit(Feeds[index]);
    QCOMPARE(QTextDocumentFragment::fromHtml(tip()).toPlainText(),
             QStringLiteral("Fehlgeschlagen (<b>bold</b> & more), 215 Bytes"));
    // What was learnt at an earlier address says nothing about this one.
    Feeds[index].Refresh.Url = "http://example.org/old";
    m_dialog->PrepareEdit(Feeds[index]);
    QVERIFY(!DetailCaptions().contains(QStringLiteral("Ergebnis")));
  }

  void detailDoubleClickOpensWebLinksAndFeedLinks() {
    TFeed feed = StoredFeed("Heise");
    feed.Info.Link = "HTTPS://example.org/page";
    feed.Info.Description = "feed://example.org/other";
    feed.Info.Copyright = "javascript:alert(1)";
    QList<QUrl> opened;
    QStringList handed;
    m_dialog->SetLinkOpener([&](const QUrl& url) {
      opened << url;
      return false;
    });
    m_dialog->SetFeedLinkHandler([&](const QString& address) { handed << address; });
    Edit(feed);
    auto* list = Child<QTreeWidget>("lvDetails");
    for (int row = 0; row < list->topLevelItemCount(); ++row)
      emit list->itemDoubleClicked(list->topLevelItem(row), 1);
    QCOMPARE(opened, QList<QUrl>{QUrl("HTTPS://example.org/page")});
    QCOMPARE(handed, QStringList{"feed://example.org/other"});
    QCOMPARE(PromptTitles(), QStringList{"Kein Standard-Webbrowser gefunden"});  // the opener failed
  }
};

QTEST_MAIN(FeedEditDialogTest)
#include "feed_edit_dialog_test.moc"
