// The dialog flows of the OPML export and import and of the entry export, driven with primed file dialogs and
// message boxes.

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "feeds/feed_records.h"
#include "settings/settings.h"
#include "support/feed_builder.h"
#include "tree/feed_tree.h"
#include "ui/dialogs/entry_export_command.h"
#include "ui/dialogs/opml_commands.h"
#include "ui/main/main_actions.h"
#include "ui/main/main_window.h"
#include "ui/main/ui_prompts.h"
#include "ui/ui_test_support.h"
#include "util/files.h"
#include "xml/xml_doc.h"

using namespace tidewick;
using prompts::TPromptKind;

namespace {

const QString kOpmlFilter = QStringLiteral("OPML-Dateien (*.opml)");
const QString kAllFilter = QStringLiteral("Alle Dateien (*)");
const QString kTextFilter = QStringLiteral("Textdateien (*.txt)");
const QString kHtmlFilter = QStringLiteral("HTML-Dokument (*.html)");

QByteArray ReadAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

class OpmlDialogTest : public QObject {
  Q_OBJECT

 private:
  QString Path(const QString& name) const { return m_folder->filePath(name); }

  std::unique_ptr<QTemporaryDir> m_folder;
  std::unique_ptr<TFeedTree> m_tree;
  TEntry m_entry;

 private slots:
  void init() {
    prompts::SetScripted(true);
    m_folder = std::make_unique<QTemporaryDir>();
    Feeds.clear();
    AddFeed(test::MakeFeed("Alpha", "http://a.example/rss"));
    m_tree = std::make_unique<TFeedTree>();
    m_tree->BuildFeedTree("\\News\t-1\r\n", "\\News\\Alpha\r\n", false);
    m_entry = test::MakeEntry("Entry <b>one</b>", "http://a.example/1", {}, "<p>Body</p>");
  }

  void cleanup() {
    prompts::SetScripted(false);
    m_tree.reset();
    Feeds.clear();
    Settings().Structure.clear();
    Settings().PathList.clear();
  }

  void exportAppendsOpmlOnlyWithTheOpmlFilter_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("written");
    QTest::newRow("opml filter, bare name") << "list" << kOpmlFilter << "list.opml";
    QTest::newRow("opml filter, other extension") << "list.xml" << kOpmlFilter << "list.xml";
    QTest::newRow("all files") << "list" << kAllFilter << "list";
  }
  void exportAppendsOpmlOnlyWithTheOpmlFilter() {
    QFETCH(QString, typed);
    QFETCH(QString, filter);
    QFETCH(QString, written);
    prompts::PrimeFileName(Path(typed), filter);
    RunOpmlExport(nullptr, *m_tree);
    QVERIFY(QFile::exists(Path(written)));
    QVERIFY(ReadAll(Path(written)).contains("<outline text=\"Alpha\" xmlUrl=\"http://a.example/rss\" type=\"rss\" />"));
    QCOMPARE(prompts::ShownPrompts().front().Title, QStringLiteral("Alle Feeds exportieren"));
    QCOMPARE(prompts::ShownPrompts().front().Filter, kOpmlFilter + ";;" + kAllFilter);
  }

  // No shows the dialog again; Yes replaces the file; Cancel leaves it alone. The entry export asks the same way.
  void exportAsksBeforeOverwriting() {
    QVERIFY(WriteStringToFile(Path("list.opml").toStdString(), "old"));
    prompts::PrimeFileName(Path("list"), kOpmlFilter);
    prompts::PrimeMessageAnswer(QMessageBox::Cancel);
    RunOpmlExport(nullptr, *m_tree);
    QCOMPARE(ReadAll(Path("list.opml")), QByteArray("old"));
    QVERIFY(prompts::ShownPrompts().back().Text.contains(Path("list.opml")));
    QCOMPARE(prompts::ShownPrompts().back().Icon, QMessageBox::Question);

    prompts::ClearShownPrompts();
    prompts::PrimeFileName(Path("list"), kOpmlFilter);
    prompts::PrimeMessageAnswer(QMessageBox::No);
    prompts::PrimeFileName(Path("list"), kOpmlFilter);
    prompts::PrimeMessageAnswer(QMessageBox::Yes);
    RunOpmlExport(nullptr, *m_tree);
    QCOMPARE(test::PromptTexts(TPromptKind::SaveFile).size(), 2);
    QVERIFY(ReadAll(Path("list.opml")).startsWith("<?xml"));
  }

  void exportWriteErrorIsReported() {
    prompts::PrimeFileName(Path("missing/list.opml"), kOpmlFilter);
    RunOpmlExport(nullptr, *m_tree);
    QCOMPARE(prompts::ShownPrompts().back().Icon, QMessageBox::Warning);
    QVERIFY(prompts::ShownPrompts().back().Text.contains(QStringLiteral("No such file or directory")));
  }

  void importAddsAFolderReportsAndSchedulesASave() {
    QVERIFY(WriteStringToFile(Path("in.opml").toStdString(),
                              "<opml><head><title>Imported</title></head><body>"
                              "<outline text=\"Beta\" xmlUrl=\"http://b.example/\"/>"
                              "<outline text=\"Again\" xmlUrl=\"http://B.example\"/></body></opml>"));
    m_tree->Select(m_tree->FindFolderPath("\\News"));
    int saves = 0;
    std::vector<uint64_t> refreshed;
    prompts::PrimeFileName(Path("in.opml"));
    RunOpmlImport(
        nullptr, *m_tree, [&saves] { ++saves; }, [&refreshed](const auto& ids) { refreshed = ids; });
    QCOMPARE(saves, 1);
    QCOMPARE(refreshed, std::vector<uint64_t>{Feeds.back().Id});
    QCOMPARE(prompts::ShownPrompts().front().Title, QStringLiteral("Feeds importieren in \"News\""));
    QVERIFY(m_tree->FindFolderPath("\\News\\Imported") != nullptr);
    QCOMPARE(prompts::ShownPrompts().back().Icon, QMessageBox::Information);
    QCOMPARE(
        prompts::ShownPrompts().back().Text,
        QStringLiteral("1 Feeds in 1 Ordnern importiert, 0 übersprungen. 1 bereits abonnierte Feeds übersprungen."));
  }

  void importOfAnythingElseWarnsAndChangesNothing() {
    QVERIFY(WriteStringToFile(Path("feed.xml").toStdString(), "<rss><channel/></rss>"));
    int saves = 0;
    prompts::PrimeFileName(Path("feed.xml"));
    RunOpmlImport(nullptr, *m_tree, [&saves] { ++saves; });
    QCOMPARE(saves, 0);
    QCOMPARE(prompts::ShownPrompts().back().Icon, QMessageBox::Warning);
    QCOMPARE(Feeds.size(), size_t{1});

    prompts::ClearShownPrompts();
    RunOpmlImport(nullptr, *m_tree, [&saves] { ++saves; });  // cancelled: no message at all
    QVERIFY(test::PromptTexts(TPromptKind::Message).isEmpty());
    QCOMPARE(saves, 0);
  }

  // The open page decides the preselected filter; the answer keeps it when the user does not change it.
  void entryExportPreselectsByTheOpenPage_data() {
    QTest::addColumn<bool>("htmlShown");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("chosenFilter");
    QTest::addColumn<QString>("written");
    QTest::newRow("text page") << false << "entry" << QString() << "entry.txt";
    QTest::newRow("html page") << true << "entry" << QString() << "entry.html";
    QTest::newRow("filter changed") << false << "entry" << kHtmlFilter << "entry.html";
  }
  void entryExportPreselectsByTheOpenPage() {
    QFETCH(bool, htmlShown);
    QFETCH(QString, typed);
    QFETCH(QString, chosenFilter);
    QFETCH(QString, written);
    prompts::PrimeFileName(Path(typed), chosenFilter);
    RunEntryExport(nullptr, &m_entry, htmlShown, TFontRecord{});
    const QByteArray content = ReadAll(Path(written));
    QVERIFY2(!content.isEmpty(), qPrintable(written));
    QCOMPARE(content.startsWith("<html>"), written.endsWith(".html"));
    const auto& dialog = prompts::ShownPrompts().front();
    QCOMPARE(dialog.Title, QStringLiteral("Feed-Eintrag exportieren"));
    QCOMPARE(dialog.Text, QStringLiteral("Entry one"));
    QCOMPARE(dialog.Filter, kTextFilter + ";;" + kHtmlFilter);
  }

  // The window's file menu reaches both commands, and an import enables the export at once.
  void windowMenuRunsImportAndExport() {
    Feeds.clear();
    Settings() = TSettings();
    TMainWindow window(test::WindowOptionsIn(m_folder->path()));
    QVERIFY(!window.Actions().mnuFileExport->isEnabled());
    QVERIFY(WriteStringToFile(Path("in.opml").toStdString(),
                              "<opml><head><title>List</title></head><body>"
                              "<outline text=\"Beta\" xmlUrl=\"http://b.example/\"/></body></opml>"));
    prompts::PrimeFileName(Path("in.opml"));
    window.Actions().mnuFileImport->trigger();
    QVERIFY(window.FeedTree().FindFolderPath("\\List") != nullptr);
    QVERIFY(window.Actions().mnuFileExport->isEnabled());
    prompts::PrimeFileName(Path("out"), kOpmlFilter);
    window.Actions().mnuFileExport->trigger();
    QVERIFY(ReadAll(Path("out.opml")).contains("<outline text=\"Beta\" xmlUrl=\"http://b.example/\""));
  }

  void entryExportWithoutEntryDoesNothing() {
    RunEntryExport(nullptr, nullptr, false, TFontRecord{});
    QVERIFY(prompts::ShownPrompts().empty());
  }
};

QTEST_MAIN(OpmlDialogTest)
#include "opml_dialog_test.moc"
