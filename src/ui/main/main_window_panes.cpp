// Pane sizes: the entry view keeps its share of the right side on resize, and the window's layout goes into the
// settings record before each save.

#include <QAction>
#include <QContextMenuEvent>
#include <QEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>
#include <QSplitter>
#include <QTabWidget>
#include <QTreeView>

#include "settings/settings.h"
#include "tree/feed_tree.h"
#include "ui/main/feed_tree_view.h"
#include "ui/main/main_actions.h"
#include "ui/main/main_window.h"
#include "ui/rules/window_placement.h"

namespace tidewick {
namespace {

TWindowRect ToWindowRect(const QRect& rect) {
  return {rect.x(), rect.y(), rect.width(), rect.height()};
}

}  // namespace

bool TMainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == m_widgets.leftPanel && event->type() == QEvent::Resize) {
    ApplyPaneResizeRule();
  }
  // The menu key opens the list's menu at the current entry, not where the mouse happens to be.
  if (watched == m_widgets.entryListView && event->type() == QEvent::ContextMenu &&
      static_cast<QContextMenuEvent*>(event)->reason() == QContextMenuEvent::Keyboard) {
    QTreeView* list = m_widgets.entryListView;
    if (const QModelIndex current = list->currentIndex(); current.isValid()) {
      list->scrollTo(current);
      m_actions->pmnuItems->popup(list->viewport()->mapToGlobal(list->visualRect(current).bottomLeft()));
    }
    return true;
  }
  return QMainWindow::eventFilter(watched, event);
}

int TMainWindow::BottomHeight() const {
  const QList<int> sizes = m_widgets.entrySplitter->sizes();
  return sizes.size() > 1 ? sizes[1] : 0;
}

void TMainWindow::SetBottomHeight(int height) {
  const int total = m_widgets.entrySplitter->height() - m_widgets.entrySplitter->handleWidth();
  m_widgets.entrySplitter->setSizes({std::max(0, total - height), height});
}

void TMainWindow::RecordPaneRatio() {
  if (const auto ratio = tidewick::RecordPaneRatio(m_widgets.entrySplitter->height(), BottomHeight())) {
    m_paneRatio = ratio;
  }
}

void TMainWindow::ApplyPaneResizeRule() {
  const int leftClient = m_widgets.entrySplitter->height();
  const int height = BottomHeightAfterResize(m_paneRatio, leftClient, BottomHeight(),
                                             m_widgets.entrySplitter->handleWidth(), Settings().DetailAutoSize);
  if (height != BottomHeight()) {
    SetBottomHeight(height);
  }
  RecordPaneRatio();
}

void TMainWindow::SetWindowOnTop(bool onTop) {
  m_actions->mnuExtrasWindowOnTop->setChecked(onTop);  // the tool button shows it pressed
  if (windowFlags().testFlag(Qt::WindowStaysOnTopHint) == onTop) {
    return;
  }
  const bool visible = isVisible();
  setWindowFlag(Qt::WindowStaysOnTopHint, onTop);  // hides the window; show it again where it was
  if (visible) {
    show();
  }
}

void TMainWindow::ApplyStoredGeometry() {
  const TSettings& settings = Settings();
  const TWindowRect stored{settings.FormLeft, settings.FormTop, settings.FormWidth, settings.FormHeight};
  std::vector<TWindowRect> screens;
  for (const QScreen* screen : QGuiApplication::screens()) {
    screens.push_back(ToWindowRect(screen->geometry()));
  }
  const QScreen* primary = QGuiApplication::primaryScreen();
  const TWindowRect shown =
      ShownWindowGeometry(stored, screens, primary != nullptr ? ToWindowRect(primary->availableGeometry()) : stored);
  // Stored as the frame's place and the inner size (what x(), y(), width() and height() give).
  resize(shown.Width, shown.Height);
  move(shown.Left, shown.Top);
  m_placeInsteadOfStored.reset();
  if (shown.Left != stored.Left || shown.Top != stored.Top) {
    m_placeInsteadOfStored = QPoint(shown.Left, shown.Top);
  }
}

void TMainWindow::StoreWindowLayout() {
  TSettings& settings = Settings();
  if (m_shownOnce) {
    settings.WindowState = isMaximized() ? 1 : 0;
    if (!isMaximized() && !isMinimized() && !isFullScreen()) {
      if (pos() != m_placeInsteadOfStored) {
        settings.FormTop = y();
        settings.FormLeft = x();
      }
      settings.FormWidth = width();
      settings.FormHeight = height();
    }
    settings.FormSplitterV = m_widgets.feedTreeView->width();
    settings.FormSplitterH = BottomHeight();
    settings.LastDescTab = m_widgets.entryTabs->currentIndex();
  }
  settings.WindowOnTop = m_actions->mnuExtrasWindowOnTop->isChecked();
  m_tree->SaveTreeStructureToSettings();
  if (m_tree->Selected() != nullptr) {
    settings.LastSelectedPath = m_tree->NodePath(m_tree->Selected(), true);
  }
}

void TMainWindow::ScheduleSave(TSaveDelay delay, TStoreChanges changes) {
  m_saver->Schedule(delay, changes);
}

bool TMainWindow::SaveAllNow() {
  const TSaveOutcome outcome = m_saver->SaveNow();
  return outcome.AllWritten();
}

}  // namespace tidewick
