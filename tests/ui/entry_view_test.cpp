#include <algorithm>
#include <span>
#include <sys/stat.h>

#include <QAction>
#include <QBuffer>
#include <QClipboard>
#include <QDir>
#include <QHeaderView>
#include <QHelpEvent>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>
#include <QToolTip>
#include <QTreeView>
#include <QVBoxLayout>

#include "entries/entry_export.h"
#include "feeds/entry_title.h"
#include "feeds/feed_records.h"
#include "settings/settings.h"
#include "support/env_guard.h"
#include "support/feed_builder.h"
#include "support/http_test_server.h"
#include "support/open_watch.h"
#include "support/temp_dir.h"
#include "ui/main/entry_browser.h"
#include "ui/main/entry_controller.h"
#include "ui/main/entry_date_text.h"
#include "ui/main/entry_list_model.h"
#include "ui/main/link_opener.h"
#include "ui/main/remote_image_loader.h"
#include "ui/main/ui_prompts.h"
#include "ui/ui_test_support.h"

using namespace tidewick;

namespace {

TEntry Entry(const std::string& title, const std::string& description, int day) {
  TEntry entry = test::MakeEntry(title, title.empty() ? std::string() : "/" + title + ".html", "", description);
  entry.PublishedDate = *EncodeDateTime(2026, 1, day, 12);
  return entry;
}

QByteArray RedPng() {
  QByteArray png;
  QImage image(3, 3, QImage::Format_RGB32);
  image.fill(Qt::red);
  QBuffer buffer(&png);
  image.save(&buffer, "PNG");
  return png;
}

}  // namespace

class EntryViewTest : public QObject {
  Q_OBJECT

 private:
  // Shows the entries of one feed in a list with its entry view; select: the first entry is then selected by key.
  void Build(std::vector<TEntry> entries, bool select = false) {
    m_feedId = test::AddStoreFeed(test::MakeFeed("Alpha", "https://host.example/dir/feed.xml", std::move(entries)));

    m_host = std::make_unique<QWidget>();
    auto* layout = new QVBoxLayout(m_host.get());
    const auto add = [layout](auto* widget) {
      layout->addWidget(widget);
      return widget;
    };
    m_widgets.entryListView = add(new QTreeView(m_host.get()));
    m_widgets.titleLinkLabel = add(new QLabel(m_host.get()));
    m_widgets.dateField = add(new QLineEdit(m_host.get()));
    m_widgets.bylineLabel = add(new QLabel(m_host.get()));
    m_widgets.entryTextView = add(new QPlainTextEdit(m_host.get()));
    m_widgets.entryHtmlView = add(new TEntryBrowser(m_host.get()));
    TEntryControllerHooks hooks;
    hooks.UpdateTreeCaptions = [this] { ++m_captionUpdates; };
    hooks.SearchTextChanged = [this](const QString& text) { m_searchText = text; };
    hooks.ReportStatus = [this](const TMakeText& text) { m_status = text(); };
    m_controller = new TEntryController(m_widgets, std::move(hooks), m_host.get());
    for (const auto& [key, command] : std::initializer_list<std::pair<QKeySequence, void (TEntryController::*)()>>{
             {QKeySequence(Qt::CTRL | Qt::Key_F), &TEntryController::Search},
             {QKeySequence(Qt::Key_F3), &TEntryController::FindNext},
             {QKeySequence(Qt::SHIFT | Qt::Key_F3), &TEntryController::FindPrevious}}) {
      auto* action = new QAction(m_host.get());
      action->setShortcut(key);
      connect(action, &QAction::triggered, m_controller, command);
      m_host->addAction(action);
    }
    m_host->resize(600, 500);
    m_host->show();
    QVERIFY(QTest::qWaitForWindowActive(m_host.get()));
    m_controller->ShowNode({TListNodeKind::Feed, {m_feedId}});
    m_widgets.entryListView->setFocus();
    if (select)
      QTest::keyClick(m_widgets.entryListView, Qt::Key_Home);
  }

  QString TitleAt(int row) { return m_controller->Model().index(row, 0).data().toString(); }

  std::unique_ptr<QWidget> m_host;
  TEntryControllerWidgets m_widgets;
  TEntryController* m_controller = nullptr;
  uint64_t m_feedId = 0;
  int m_captionUpdates = 0;
  QString m_searchText;
  QString m_status;
  std::vector<TLaunchRequest> m_launched;

 private slots:
  void init() {
    Feeds.clear();
    static_cast<TSettingsValues&>(Settings()) = TSettingsValues();
    prompts::SetScripted(true);
    m_launched.clear();
    m_captionUpdates = 0;
    m_status.clear();
    SetLauncherForTests([this](const TLaunchRequest& request) {
      m_launched.push_back(request);
      return true;
    });
  }

  void cleanup() {
    m_host.reset();
    SetLauncherForTests({});
    prompts::SetScripted(false);
    Feeds.clear();
  }

  void arrowKeysReadThreeEntriesAndKeepTheFocus() {
    Build({Entry("a", "", 4), Entry("b", "", 3), Entry("c", "", 2), Entry("d", "", 1)});
    QCOMPARE(TotalUnreadCount(), 4);
    QTest::keyClick(m_widgets.entryListView, Qt::Key_Home);
    QTest::keyClick(m_widgets.entryListView, Qt::Key_Down);
    QTest::keyClick(m_widgets.entryListView, Qt::Key_Down);
    QCOMPARE(TotalUnreadCount(), 1);
    QCOMPARE(m_captionUpdates, 3);
    QCOMPARE(m_widgets.titleLinkLabel->text(), QStringLiteral("c"));
    QCOMPARE(QApplication::focusWidget(), m_widgets.entryListView);
    QTest::keyClick(m_widgets.entryListView, Qt::Key_Up);  // already read: the tree is not touched again
    QCOMPARE(m_captionUpdates, 3);
    QVERIFY(m_launched.empty());
  }

  void linksOpenOnEnterAndDoubleClickOnly() {
    Build({Entry("a", "", 2), Entry("", "", 1)}, true);
    QTest::keyClick(m_widgets.entryListView, Qt::Key_Return);
    QCOMPARE(m_launched.size(), size_t{1});
    QCOMPARE(m_launched[0].Url.toString(), QStringLiteral("https://host.example/a.html"));
    QVERIFY(m_launched[0].Program.isEmpty());
    QVERIFY(Feeds[0].Entries[0].Visited);

    QWidget* viewport = m_widgets.entryListView->viewport();
    const QPoint second = m_widgets.entryListView->visualRect(m_controller->Model().index(1, 0)).center();
    QTest::mouseClick(viewport, Qt::LeftButton, {}, second);
    QCOMPARE(m_launched.size(), size_t{1});  // a single click only selects
    QTest::mouseDClick(viewport, Qt::LeftButton, {}, second);
    QCOMPARE(m_launched.size(), size_t{1});  // an empty link opens nothing
    QVERIFY(Feeds[0].Entries[1].IsRead);
    QVERIFY(prompts::ShownPrompts().empty());
  }

  void refusedLinksAreReportedNotOpened() {
    TEntry scripted = Entry("a", "", 1);
    scripted.Link = "javascript:alert(1)";
    Build({scripted}, true);
    QTest::keyClick(m_widgets.entryListView, Qt::Key_Enter);
    QVERIFY(m_launched.empty());
    QCOMPARE(prompts::ShownPrompts().size(), size_t{1});
    QVERIFY(prompts::ShownPrompts()[0].Text.contains(QStringLiteral("javascript:alert(1)")));
    QVERIFY(!Feeds[0].Entries[0].Visited);
  }

  // What a click means is the core's; here the click reaches it and the list and its header follow.
  void headerClicksToggleTheManualOrder() {
    Settings().AutoSort = false;
    Settings().SortLastColumn = kDateColumn;
    Settings().SortAscending = true;
    Build({Entry("b", "", 2), Entry("a", "", 1), Entry("c", "", 3)});
    QHeaderView* header = m_widgets.entryListView->header();
    auto headerText = [&](int column) { return m_controller->Model().headerData(column, Qt::Horizontal).toString(); };
    auto clickHeader = [&](int column) {
      const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2, header->height() / 2);
      QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
    };
    QCOMPARE(headerText(kDateColumn), QStringLiteral("Änderungszeit   v"));
    QCOMPARE(TitleAt(0), QStringLiteral("a"));
    clickHeader(kDateColumn);
    QCOMPARE(headerText(kDateColumn), QStringLiteral("Änderungszeit   ^"));
    QCOMPARE(TitleAt(0), QStringLiteral("c"));
    QVERIFY(!Settings().SortAscending);  // kept for the next start
  }

  // The column keeps its 125 pixels in small fonts and grows with a larger one, so a date and time never show cut.
  void dateColumnHoldsAWholeDateInALargerFont() {
    const QFont normal = QApplication::font();
    QFont large = normal;
    large.setPointSize(20);
    QApplication::setFont(large);
    Build({Entry("a", "", 28)});
    QApplication::setFont(normal);
    const int width = m_widgets.entryListView->header()->sectionSize(kDateColumn);
    QVERIFY(width > m_widgets.entryListView->fontMetrics().horizontalAdvance(WideEntryDateSample()));
    QVERIFY(width > 125);
  }

  // Where each step lands is the core's rule; here the keys reach it, the first asks, and the focus stays.
  void searchAsksFirstThenStepsBothWays() {
    Build({Entry("match one", "", 3), Entry("other", "", 2), Entry("x", "<p>MATCH in summary</p>", 1)});
    QTest::keyClick(m_host.get(), Qt::Key_F3, Qt::ShiftModifier);  // no search text: nothing
    QVERIFY(prompts::ShownPrompts().empty());
    prompts::PrimeInput(QStringLiteral("match"));
    QTest::keyClick(m_host.get(), Qt::Key_F3);  // no search text yet: asks first
    QCOMPARE(prompts::ShownPrompts().size(), size_t{1});
    QCOMPARE(prompts::ShownPrompts()[0].Title, QStringLiteral("Suchen"));
    QCOMPARE(m_searchText, QStringLiteral("match"));
    QCOMPARE(m_controller->SelectedRow(), std::optional<int>(0));
    QTest::keyClick(m_host.get(), Qt::Key_F3);
    QCOMPARE(m_controller->SelectedRow(), std::optional<int>(2));
    QVERIFY(Feeds[0].Entries[2].IsRead);
    QTest::keyClick(m_host.get(), Qt::Key_F3, Qt::ShiftModifier);
    QCOMPARE(m_controller->SelectedRow(), std::optional<int>(0));
    QCOMPARE(QApplication::focusWidget(), m_widgets.entryListView);
    QCOMPARE(prompts::ShownPrompts().size(), size_t{1});
    QCOMPARE(m_status, QStringLiteral("\"match\" gefunden."));
    // Past the first match the selection stays and the status bar says so (past the last: the core's table).
    QTest::keyClick(m_host.get(), Qt::Key_F3, Qt::ShiftModifier);
    QCOMPARE(m_controller->SelectedRow(), std::optional<int>(0));
    QCOMPARE(m_status, QStringLiteral("Keine weiteren Treffer für \"match\"."));
    // A text found nowhere; a long one is cut so the status bar keeps its size.
    prompts::PrimeInput(QStringLiteral("absent"));
    QTest::keyClick(m_host.get(), Qt::Key_F, Qt::ControlModifier);
    QCOMPARE(m_status, QStringLiteral("\"absent\" nicht gefunden."));
    prompts::PrimeInput(QString(500, u'z'));
    QTest::keyClick(m_host.get(), Qt::Key_F, Qt::ControlModifier);
    QCOMPARE(m_status, QStringLiteral("\"") + QString(40, u'z') + QStringLiteral("…\" nicht gefunden."));
    QCOMPARE(m_controller->SelectedRow(), std::optional<int>(0));
  }

  void refillKeepsTheEntryBeingRead() {
    Build({Entry("a", "summary a", 2), Entry("b", "", 1)}, true);
    QCOMPARE(m_captionUpdates, 1);
    MarkFeedUnread(0);
    m_controller->Refill();
    QCOMPARE(m_controller->SelectedRow(), std::optional<int>(0));
    QVERIFY(!Feeds[0].Entries[0].IsRead);  // not marked again
    QCOMPARE(m_captionUpdates, 1);
    QCOMPARE(m_widgets.entryTextView->toPlainText(), QStringLiteral("summary a"));

    DeleteItem(Feeds[0].Entries, 0);
    m_controller->Refill();
    QCOMPARE(m_controller->SelectedRow(), std::nullopt);
    QVERIFY(m_widgets.dateField->text().isEmpty());
  }

  void feedTextStaysPlainText() {
    TEntry marked = Entry("<em>x</em>", "", 1);
    marked.Link = "https://example.org/?q=<script>";
    marked.Author = "<b>Jane</b>";
    marked.Categories = {"<i>a", "b"};
    Build({marked}, true);
    QCOMPARE(m_widgets.titleLinkLabel->textFormat(), Qt::PlainText);
    QCOMPARE(m_widgets.titleLinkLabel->text(), QStringLiteral("<em>x</em>"));
    QCOMPARE(m_widgets.bylineLabel->textFormat(), Qt::PlainText);
    QCOMPARE(m_widgets.bylineLabel->text(), QStringLiteral("Von Jane  \u00b7  Kategorien: a, b"));
    QVERIFY(m_widgets.titleLinkLabel->toolTip().contains(QStringLiteral("?q=&lt;script&gt;")));
  }

  // Regression: both pages were filled on every selection, so a hostile page froze reading on the text page too.
  // Neither page shows what is no text: a script's strings, a style sheet.
  void htmlPageIsFilledWhenShownAndShowsNoScript() {
    Build({Entry("a",
                 "<p>visible</p><script>document.write('<h1>PWNED BY SCRIPT</h1>')</script>"
                 "<style>body{background:red}</style>",
                 1)});
    TEntryBrowser* page = m_widgets.entryHtmlView;
    page->hide();
    QTest::keyClick(m_widgets.entryListView, Qt::Key_Home);
    QCOMPARE(m_widgets.entryTextView->toPlainText(), QStringLiteral("visible"));
    QVERIFY(page->toPlainText().isEmpty());
    page->show();
    QCOMPARE(page->toPlainText().trimmed(), QStringLiteral("visible"));
  }

  // Regression: a 16 MB title froze the list for 15 s a repaint. Rows, heading and tool tip show its start; the
  // entry keeps it whole.
  void longTitlesAreCutWhereShown() {
    const std::string title(4 << 20, 't');
    Build({test::MakeEntry(title, "https://example.org/" + title)});
    QVERIFY(TitleAt(0).size() <= qsizetype{kMaxShownTextBytes} + 1);
    QTest::keyClick(m_widgets.entryListView, Qt::Key_Home);
    QVERIFY(m_widgets.titleLinkLabel->text().size() <= qsizetype{kMaxShownTextBytes} + 1);
    QVERIFY(m_widgets.titleLinkLabel->toolTip().size() <= 2 * qsizetype{kMaxShownTextBytes} + 40);
    QCOMPARE(Feeds[0].Entries[0].Title, title);
    QVERIFY(m_controller->SelectByDisplayTitle(title));
  }

  void pageLinksAreInterceptedAndTheViewStays() {
    Build({Entry("a", "<p><a href=\"page.html\">go there</a></p>", 1)}, true);
    TEntryBrowser* page = m_widgets.entryHtmlView;
    QTextCursor cursor(page->document());
    cursor.setPosition(page->document()->find(QStringLiteral("go there")).selectionStart() + 2);
    const QPoint at = page->cursorRect(cursor).center();
    QTest::mouseClick(page->viewport(), Qt::LeftButton, {}, at);
    QCOMPARE(m_launched.size(), size_t{1});
    QCOMPARE(m_launched[0].Url.toString(), QStringLiteral("https://host.example/page.html"));
    QVERIFY(page->toPlainText().contains(QStringLiteral("go there")));
    QVERIFY(page->source().isEmpty());
  }

  // Regression: images, tool tips and style sheets of a page named local files (the image handler loaded any name
  // it could not get as a resource), and a FIFO froze the window for good.
  void hostileEntryNeverOpensALocalFile() {
    QTemporaryDir folder;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(folder.path());
    QImage(9, 7, QImage::Format_RGB32).save(QStringLiteral("canary.png"));
    QVERIFY(mkfifo("pipe", 0600) == 0);
    const test::TFifoGuard guard(folder.filePath(QStringLiteral("pipe")).toStdString());
    test::TFolderOpenWatch watch(folder.path().toStdString());

    QLabel label(QStringLiteral("<img src=\"canary.png\">"));  // what Qt does on its own: the watch sees it
    label.sizeHint();
    QVERIFY(!watch.OpenedNames().empty());

    const std::string up = "../" + QFileInfo(folder.path()).fileName().toStdString() + "/";
    const std::string absolute = folder.path().toStdString() + "/";
    const std::string longTip(TEntryBrowser::kMaxToolTipLength, 'x');
    std::string hostile = "<p title=\"<img src=canary.png><img src=pipe>" + longTip + "\">tip</p>" +
                          "<img src=\"data:image/png;base64," + RedPng().toBase64().toStdString() + "\">";
    for (const std::string& name : {std::string("canary.png"), std::string("pipe")}) {
      for (const std::string& prefix : {std::string(), std::string("./"), up, absolute, "file://" + absolute}) {
        hostile += "<img src=\"" + prefix + name + "\">";
      }
    }
    hostile +=
        "<table background=canary.png><tr><td style=\"background-image:url(pipe)\">x</td></tr></table>"
        "<link rel=stylesheet href=pipe>";
    Build({Entry("a", hostile, 1)}, true);
    TEntryBrowser* page = m_widgets.entryHtmlView;
    QVERIFY(page->toPlainText().contains(QStringLiteral("tip")));
    // Painting both views draws every image; the page's own picture still shows.
    const QImage drawn = m_host->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const std::span pixels(reinterpret_cast<const QRgb*>(drawn.constBits()), drawn.sizeInBytes() / sizeof(QRgb));
    QVERIFY(std::ranges::find(pixels, qRgb(255, 0, 0)) != pixels.end());
    QTextCursor cursor(page->document());
    cursor.setPosition(page->document()->find(QStringLiteral("tip")).selectionStart() + 1);
    const QPoint at = page->cursorRect(cursor).center();
    QHelpEvent tip(QEvent::ToolTip, at, page->viewport()->mapToGlobal(at));
    QApplication::sendEvent(page->viewport(), &tip);
    QVERIFY(QToolTip::text().contains(QStringLiteral("&lt;img src=canary.png&gt;")));  // shown as text
    QVERIFY(!QToolTip::text().contains(QString::fromStdString(longTip)));              // and cut
    QToolTip::hideText();
    page->selectAll();
    page->copy();  // the clipboard's rich formats are built when asked for
    const QMimeData* copied = QApplication::clipboard()->mimeData();
    for (const QString& format : copied->formats()) {
      copied->data(format);
    }

    QTemporaryDir exportFolder;
    const std::string exported = exportFolder.filePath(QStringLiteral("entry.html")).toStdString();
    QVERIFY(ExportEntryFile(exported, TEntryExportFormat::Html, Feeds[0].Entries[0], "", Settings().TextFont).Ok);
    QFile file(QString::fromStdString(exported));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray written = file.readAll();
    // Feed text may name them; nothing a browser loads does.
    const QRegularExpression reference(QStringLiteral("(<img|<link|background)[^>]*(canary|pipe)|url\\("));
    QVERIFY2(!reference.match(QString::fromUtf8(written)).hasMatch(), written.constData());

    QStringList opened;
    for (const std::string& name : watch.OpenedNames()) {
      opened << QString::fromStdString(name);
    }
    QCOMPARE(opened.join(u','), QString());
    QDir::setCurrent(previous);
  }

  void dataImagesAreBounded() {
    const QByteArray png = RedPng();
    const QByteArray base64 = "data:image/png;base64," + png.toBase64();
    QCOMPARE(DecodeDataImage(QUrl(QString::fromLatin1(base64))), png);
    QVERIFY(DecodeDataImage(QUrl(QStringLiteral("data:image/svg+xml,<svg xmlns='http://www.w3.org/2000/svg'/>")))
                .isEmpty());
    QVERIFY(DecodeDataImage(QUrl(QStringLiteral("data:text/html;base64,") + QString::fromLatin1(png.toBase64())))
                .isEmpty());
    const QByteArray huge = "data:image/png;base64," + QByteArray(TEntryBrowser::kMaxDataUrlLength, 'A');
    QVERIFY(DecodeDataImage(QUrl(QString::fromLatin1(huge))).isEmpty());
  }

  // Pictures from the web: none is asked for until the bar allows it; then they come without cookie or referrer,
  // tracking pixels never, one over the size limit stops there, and one that never comes holds up no other event.
  void remoteImagesLoadOnlyWhenAllowedAndWithinLimits() {
    const test::TempDir cache;
    const test::EnvGuard cacheHome("XDG_CACHE_HOME", cache.Path().string());
    test::THttpTestServer server;
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    QImage picture(1600, 400, QImage::Format_RGB32);
    picture.fill(Qt::blue);
    picture.save(&buffer, "JPEG");
    server.SetResponse("/a.jpg", {.Headers = {{"Set-Cookie", "id=1"}}, .Body = jpeg.toStdString()});
    server.SetResponse("/b.png", {.Body = RedPng().toStdString()});
    server.SetResponse("/huge.png", {.Body = "\x89PNG" + std::string(50 << 20, 'x'), .SendLength = false});
    server.SetResponse("/slow.png", {.Stall = true});
    std::string html = "<p>top</p><img src='" + server.Url("/pixel.gif") + "' width='1' height='1'>";
    for (const char* path : {"/a.jpg", "/b.png", "/huge.png", "/slow.png", "/a.jpg"}) {
      html += "<img src='" + server.Url(path) + "'>";
    }
    Build({Entry("a", html, 1)}, true);
    TEntryBrowser* page = m_widgets.entryHtmlView;
    auto* bar = page->findChild<QWidget*>(QStringLiteral("pnlImages"));
    QVERIFY(bar->isVisible());
    QCOMPARE(page->RemoteImages().size(), 4);
    QCoreApplication::processEvents();
    QCOMPARE(server.RequestCount(), 0);
    QVERIFY(test::SaveScreenshot(*m_host, "entry-images-bar.png"));

    std::map<QString, bool> finished;
    connect(&page->ImageLoader(), &TRemoteImageLoader::Finished, this,
            [&finished](const QString& address, bool ok) { finished[address] = ok; });
    for (const char* name : {"btnImagesLoad", "btnImagesAlways"}) {
      QVERIFY(!bar->findChild<QPushButton*>(QLatin1String(name))->accessibleName().isEmpty());
    }
    QTest::mouseClick(bar->findChild<QPushButton*>(QStringLiteral("btnImagesAlways")), Qt::LeftButton);
    QVERIFY(!bar->isVisible());
    QVERIFY(Feeds[0].LoadImages);
    // Three answers reach the window while the stalled one is still out.
    QTRY_COMPARE(finished.size(), size_t{3});
    const auto url = [&server](const char* path) { return QString::fromStdString(server.Url(path)); };
    QVERIFY(finished.at(url("/a.jpg")) && finished.at(url("/b.png")) && !finished.at(url("/huge.png")));
    QVERIFY(!finished.contains(url("/slow.png")));
    const QImage shown = page->document()->resource(QTextDocument::ImageResource, QUrl(url("/a.jpg"))).value<QImage>();
    QVERIFY(!shown.isNull() && shown.width() <= page->width());  // scaled down from 1600 pixels
    QCOMPARE(server.RequestCount(), 4);
    for (const test::TTestRequest& request : server.Requests()) {
      QVERIFY(HeaderValue(request, "Cookie").empty() && HeaderValue(request, "Referer").empty());
      QVERIFY(HeaderValue(request, "User-Agent").starts_with("Tidewick/"));
    }
    QCOMPARE(
        QDir(QString::fromStdString((cache.Path() / "Tidewick" / "images").string())).entryList(QDir::Files).size(), 2);
    QVERIFY(test::SaveScreenshot(*m_host, "entry-remote-images.png"));
  }
};

QTEST_MAIN(EntryViewTest)
#include "entry_view_test.moc"
