// The feed tree view over the core tree: drops, label editing, context menu requests, the tree commands and what
// each node shows.

#include "tree/feed_tree.h"

#include <memory>
#include <tuple>

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>

#include "feeds/entry_title.h"
#include "feeds/feed_records.h"
#include "settings/settings.h"
#include "tree/feed_tree_test_support.h"
#include "ui/main/feed_tree_actions.h"
#include "ui/main/feed_tree_model.h"
#include "ui/main/feed_tree_view.h"
#include "ui/main/ui_prompts.h"

namespace tidewick {

using test::AddTreeFeed;

class FeedTreeTest : public QObject {
  Q_OBJECT

 private:
  bool Editing() const {
    const auto* editor = m_view->findChild<QLineEdit*>();
    return editor && editor->isVisible();
  }
  QModelIndex IndexAt(const char* names) const {
    QModelIndex index = m_model->index(0, 0);
    for (const QString& name : QString::fromUtf8(names).split('/', Qt::SkipEmptyParts)) {
      QModelIndex next;
      for (int row = 0; row < m_model->rowCount(index) && !next.isValid(); ++row) {
        const QModelIndex child = m_model->index(row, 0, index);
        next = child.data(Qt::EditRole).toString() == name ? child : QModelIndex();
      }
      index = next;
    }
    return index;
  }
  TTreeNode* Node(const char* names) const { return m_model->NodeOf(IndexAt(names)); }
  // Sends drag-enter, drag-move and drop at the centre of target; returns whether the move and the drop were
  // accepted.
  std::pair<bool, bool> DragOnto(QMimeData* mimeData, const QModelIndex& target) {
    std::unique_ptr<QMimeData> owned(mimeData);
    m_view->scrollTo(target);
    const QPointF pos = m_view->visualRect(target).center();
    QDragEnterEvent enter(pos.toPoint(), Qt::MoveAction, mimeData, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(m_view->viewport(), &enter);
    QDragMoveEvent move(pos.toPoint(), Qt::MoveAction, mimeData, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(m_view->viewport(), &move);
    QDropEvent drop(pos, Qt::MoveAction, mimeData, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(m_view->viewport(), &drop);
    return {move.isAccepted(), drop.isAccepted()};
  }

  std::unique_ptr<TFeedTree> m_tree;
  std::unique_ptr<TFeedTreeModel> m_model;
  std::unique_ptr<QAbstractItemModelTester> m_modelTester;
  std::unique_ptr<TFeedTreeView> m_view;
  std::unique_ptr<TFeedTreeActions> m_commands;
  uint64_t m_alpha = 0;

 private slots:
  void init() {
    prompts::SetScripted(true);
    Feeds.clear();
    Settings().ShowUnreadCount = true;
    m_alpha = AddTreeFeed("Alpha", 1, true);
    AddTreeFeed("Beta");
    AddTreeFeed("Gamma");
    Settings().Structure = "\\News\t-1\r\n\\News\\Tech\t0\r\n\\Other\t0\r\n";
    Settings().PathList = "\\News\\Alpha\r\n\\Beta\r\n\\News\\Tech\\Gamma\r\n";
    m_tree = std::make_unique<TFeedTree>();
    m_model = std::make_unique<TFeedTreeModel>(*m_tree);
    // Checks every change the model reports against what it then shows.
    m_modelTester = std::make_unique<QAbstractItemModelTester>(m_model.get(),
                                                               QAbstractItemModelTester::FailureReportingMode::QtTest);
    m_tree->BuildFeedTree();
    m_view = std::make_unique<TFeedTreeView>(m_model.get());
    m_commands = std::make_unique<TFeedTreeActions>(m_view.get(), m_view.get());
    m_view->resize(300, 400);
    m_view->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
  }

  void cleanup() {
    m_commands.reset();
    m_view.reset();
    m_modelTester.reset();
    m_model.reset();
    m_tree.reset();
    Feeds.clear();
    Settings().Structure.clear();
    Settings().PathList.clear();
    prompts::SetScripted(false);
  }

  void dropOntoFolderMovesTheNode() {
    QSignalSpy arrangement(m_view.get(), &TFeedTreeView::arrangementChanged);
    const auto [moveAccepted, dropAccepted] = DragOnto(m_view->MimeDataFor(Node("Beta")), IndexAt("Other"));
    QVERIFY(moveAccepted);
    QVERIFY(dropAccepted);
    QCOMPARE(m_view->TreeModel()->NodeOf(IndexAt("Other/Beta")), m_tree->FindFeedNode(Feeds[1].Id));
    QCOMPARE(arrangement.count(), 1);
    // A folder with its feeds moves as a whole, and the view shows the new place at once.
    DragOnto(m_view->MimeDataFor(Node("News/Tech")), IndexAt("Other"));
    QVERIFY(IndexAt("Other/Tech/Gamma").isValid());
    QCOMPARE(m_tree->SaveTreeStructure().PathList, "\\News\\Alpha\r\n\\Other\\Beta\r\n\\Other\\Tech\\Gamma\r\n");
  }

  // Which drops are refused is the tree's rule; the view refuses them while dragging and on the drop, and refuses
  // whatever another view (or program) drags.
  void refusedDropsChangeNothing() {
    const std::string before = m_tree->SaveTreeStructure().PathList;
    const TFeedTreeView otherView(m_model.get());
    for (const auto& [source, dragged, target] :
         {std::tuple<const TFeedTreeView*, const char*, const char*>(m_view.get(), "News", "News/Tech"),
          std::tuple<const TFeedTreeView*, const char*, const char*>(&otherView, "Beta", "Other")}) {
      const auto [moveAccepted, dropAccepted] = DragOnto(source->MimeDataFor(Node(dragged)), IndexAt(target));
      QVERIFY2(!moveAccepted && !dropAccepted, dragged);
    }
    QCOMPARE(m_tree->SaveTreeStructure().PathList, before);
  }

  void f2EditsFoldersAndFeedsButNeverTheRoot() {
    for (const auto& [node, edits] : {std::pair<const char*, bool>("", false), {"News/Alpha", true}}) {
      m_view->setCurrentIndex(IndexAt(node));
      QTest::keyClick(m_view.get(), Qt::Key_F2);
      QVERIFY2(Editing() == edits, node);
      if (edits) {
        const QPointer<QLineEdit> editor = m_view->findChild<QLineEdit*>();
        QTest::keyClick(editor, Qt::Key_Escape);
        QTRY_VERIFY(editor.isNull());  // gone, not only hidden: the next F2 makes its own
      }
    }
    QTest::mouseDClick(m_view->viewport(), Qt::LeftButton, {}, m_view->visualRect(IndexAt("Other")).center());
    QVERIFY(!Editing());

    QSignalSpy arrangement(m_view.get(), &TFeedTreeView::arrangementChanged);
    m_view->setCurrentIndex(IndexAt("Other"));
    QTest::keyClick(m_view.get(), Qt::Key_F2);
    QVERIFY(Editing());
    auto* editor = m_view->findChild<QLineEdit*>();
    editor->setText(QStringLiteral("Archive [2024]"));
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_VERIFY(IndexAt("Archive [2024]").isValid());  // the editor commits on the next turn of the event loop
    QCOMPARE(arrangement.count(), 1);
  }

  void refusedRenameShowsItsMessage_data() {
    QTest::addColumn<QString>("newName");
    QTest::addColumn<QString>("title");
    QTest::newRow("sibling folder") << QStringLiteral("OTHER") << QStringLiteral("Name bereits vergeben");
    QTest::newRow("backslash") << QStringLiteral("A\\B") << QStringLiteral("Ungültiger Ordnername");
  }

  void refusedRenameShowsItsMessage() {
    QFETCH(QString, newName);
    QFETCH(QString, title);
    QVERIFY(!m_model->setData(IndexAt("News"), newName));
    QTRY_COMPARE(prompts::ShownPrompts().size(), size_t{1});
    QCOMPARE(prompts::ShownPrompts()[0].Title, title);
    QVERIFY(prompts::ShownPrompts()[0].Text.contains(newName));
    QVERIFY(IndexAt("News").isValid());
  }

  void removeFolderFollowsTheAnswer_data() {
    QTest::addColumn<int>("answer");
    QTest::addColumn<int>("feedsLeft");
    QTest::addColumn<bool>("folderLeft");
    QTest::newRow("cancel") << int(QMessageBox::Cancel) << 3 << true;
    QTest::newRow("no keeps the feeds") << int(QMessageBox::No) << 3 << false;
    QTest::newRow("yes removes them") << int(QMessageBox::Yes) << 1 << false;
  }

  void removeFolderFollowsTheAnswer() {
    QFETCH(int, answer);
    QFETCH(int, feedsLeft);
    QFETCH(bool, folderLeft);
    QSignalSpy saves(m_commands.get(), &TFeedTreeActions::saveRequested);
    m_view->setCurrentIndex(IndexAt("News"));
    prompts::PrimeMessageAnswer(static_cast<QMessageBox::StandardButton>(answer));
    m_commands->Remove();
    QCOMPARE(prompts::ShownPrompts().size(), size_t{1});
    QCOMPARE(prompts::ShownPrompts()[0].Text,
             QString::fromUtf8("Der Ordner \"News\" wird gelöscht.\r\nSollen auch alle "
                               "enthaltenen Feeds entfernt werden?"));
    QCOMPARE(int(Feeds.size()), feedsLeft);
    QCOMPARE(IndexAt("News").isValid(), folderLeft);
    QCOMPARE(saves.count(), folderLeft ? 0 : 1);
    if (answer == QMessageBox::No) {
      QVERIFY(IndexAt("Alpha").isValid());  // back under the root
    }
  }

  void removeFeedAsksFirst() {
    m_view->setCurrentIndex(IndexAt("News/Alpha"));
    prompts::PrimeMessageAnswer(QMessageBox::No);
    m_commands->Remove();
    QCOMPARE(int(Feeds.size()), 3);
    prompts::PrimeMessageAnswer(QMessageBox::Yes);
    m_commands->Remove();
    QCOMPARE(FindFeedById(m_alpha), -1);
    // The folder of the removed feed stays selected.
    QCOMPARE(m_view->currentIndex(), IndexAt("News"));
  }

  void contextMenuOnRightPressAndMenuKey() {
    QSignalSpy requests(m_view.get(), &TFeedTreeView::contextMenuRequested);
    QTest::mousePress(m_view->viewport(), Qt::RightButton, {}, m_view->visualRect(IndexAt("Beta")).center());
    QCOMPARE(requests.count(), 1);
    QCOMPARE(m_tree->Selected(), Node("Beta"));
    QTest::mousePress(m_view->viewport(), Qt::RightButton, {}, QPoint(5, m_view->viewport()->height() - 5));
    QCOMPARE(requests.count(), 1);
    QTest::keyClick(m_view.get(), Qt::Key_Menu);
    QCOMPARE(requests.count(), 2);
  }

  void selectionAndExpansionFollowEachOther() {
    QSignalSpy changes(m_view.get(), &TFeedTreeView::currentNodeChanged);
    QTest::mouseClick(m_view->viewport(), Qt::LeftButton, {}, m_view->visualRect(IndexAt("Beta")).center());
    QCOMPARE(m_tree->Selected(), Node("Beta"));
    QCOMPARE(changes.count(), 1);
    // A rebuild keeps the feed selected, and the view follows the new nodes.
    m_tree->BuildFeedTree();
    QCOMPARE(m_view->currentIndex(), IndexAt("Beta"));
    m_tree->SelectFeed(Feeds[2].Id);
    QCOMPARE(m_view->currentIndex(), IndexAt("News/Tech/Gamma"));
    QVERIFY(m_view->isExpanded(IndexAt("News/Tech")));

    QSignalSpy arrangement(m_view.get(), &TFeedTreeView::arrangementChanged);
    m_view->collapse(IndexAt("News"));
    QVERIFY(!Node("News")->Expanded());
    QCOMPARE(arrangement.count(), 1);
  }

  void nodesShowTheirState() {
    const QModelIndex root = IndexAt("");
    QVERIFY(root.data(Qt::FontRole).value<QFont>().bold());
    QVERIFY(!IndexAt("News").data(Qt::FontRole).value<QFont>().bold());
    QCOMPARE(IndexAt("News/Alpha").data().toString(), QStringLiteral("Alpha [1]"));
    for (const char* marked : {"", "News", "News/Alpha"}) {
      QCOMPARE(IndexAt(marked).data(Qt::ToolTipRole).toString(),
               QStringLiteral("Dieses Feed konnte nicht aktualisiert werden!"));
    }
    QVERIFY(IndexAt("Beta").data(Qt::ToolTipRole).isNull());
    // A gone feed says so; the address it moved from is the server's text and never shows as markup.
    TFeed& beta = Feeds[1];
    beta.Refresh.Url = beta.URL;
    beta.Refresh.Gone = true;
    beta.Refresh.MovedFrom = "http://example.org/<b>old</b>" + std::string(1 << 20, 'x');  // shown only in part
    const QString hint = IndexAt("Beta").data(Qt::ToolTipRole).toString();
    QVERIFY(hint.contains(QStringLiteral("410 Gone")));
    QVERIFY(hint.contains(QStringLiteral("&lt;b&gt;old&lt;/b&gt;")));
    QVERIFY(hint.size() < 2 * qsizetype{kMaxShownTextBytes});
    QVERIFY(!IndexAt("Beta").data(Qt::DecorationRole).value<QIcon>().isNull());
    QVERIFY(!m_view->accessibleName().isEmpty());
    // Marking the folder read updates captions in place.
    m_view->setCurrentIndex(IndexAt("News"));
    QSignalSpy marks(m_commands.get(), &TFeedTreeActions::readMarksChanged);
    m_commands->MarkRead();
    QCOMPARE(IndexAt("News/Alpha").data().toString(), QStringLiteral("Alpha"));
    QCOMPARE(marks.count(), 1);
  }
};

}  // namespace tidewick

QTEST_MAIN(tidewick::FeedTreeTest)
#include "feed_tree_test.moc"
