// The panes of the main window: tree | (list / (info, text and HTML pages)), and the status bar.

#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTreeView>
#include <QVBoxLayout>

#include "ui/main/document_accessible.h"
#include "ui/main/entry_browser.h"
#include "ui/main/feed_tree_model.h"
#include "ui/main/feed_tree_view.h"
#include "ui/main/lang_qstring.h"
#include "ui/main/main_window.h"

namespace tidewick {
namespace {

template <typename TWidget>
TWidget* Named(TWidget* widget, const char* name) {
  widget->setObjectName(QLatin1String(name));
  return widget;
}

QVBoxLayout* BareLayout(QWidget* owner) {
  auto* layout = new QVBoxLayout(owner);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  return layout;
}

}  // namespace

void TMainWindow::CreatePanes() {
  TMainWidgets& w = m_widgets;
  w.treeSplitter = Named(new QSplitter(Qt::Horizontal, this), "splitterV");
  w.treeSplitter->setChildrenCollapsible(false);
  m_feedTreeModel = new TFeedTreeModel(*m_tree, this);
  w.feedTreeView = Named(new TFeedTreeView(m_feedTreeModel, w.treeSplitter), "tvNav");

  w.leftPanel = Named(new QWidget(w.treeSplitter), "pnlLeft");
  w.entrySplitter = Named(new QSplitter(Qt::Vertical, w.leftPanel), "splitterH");
  w.entrySplitter->setChildrenCollapsible(false);
  w.entrySplitter->setHandleWidth(3);
  BareLayout(w.leftPanel)->addWidget(w.entrySplitter);
  w.leftPanel->installEventFilter(this);  // the entry view's share is kept on every resize of the right side
  w.entryListView = Named(new QTreeView(w.entrySplitter), "lvItems");
  w.entryListView->setRootIsDecorated(false);
  w.entryListView->setUniformRowHeights(true);
  w.leftBottomPanel = CreateEntryView();
  w.entrySplitter->addWidget(w.leftBottomPanel);
  w.entrySplitter->setStretchFactor(0, 1);
  w.entrySplitter->setStretchFactor(1, 0);
  w.treeSplitter->setStretchFactor(0, 0);
  w.treeSplitter->setStretchFactor(1, 1);
  w.treeSplitter->setSizes({220, 500});
  connect(w.entrySplitter, &QSplitter::splitterMoved, this, [this] { RecordPaneRatio(); });
  connect(w.treeSplitter, &QSplitter::splitterMoved, this, [this] { ScheduleSave(); });
  connect(w.entrySplitter, &QSplitter::splitterMoved, this, [this] { ScheduleSave(); });
  setCentralWidget(w.treeSplitter);
}

QWidget* TMainWindow::CreateEntryView() {
  TMainWidgets& w = m_widgets;
  auto* bottom = Named(new QWidget(), "pnlLeftBottom");
  QVBoxLayout* layout = BareLayout(bottom);

  w.entryHeader = Named(new QWidget(bottom), "pnlInfo");
  auto* info = new QGridLayout(w.entryHeader);
  info->setContentsMargins(4, 2, 4, 2);
  w.titleLabel = Named(new QLabel(w.entryHeader), "lblTitle");
  w.titleLinkLabel = Named(new QLabel(w.entryHeader), "lblTitleLink");
  w.titleLinkLabel->setTextFormat(Qt::PlainText);  // feed text: never interpreted
  w.titleLinkLabel->setCursor(Qt::PointingHandCursor);
  w.titleLinkLabel->setStyleSheet(QStringLiteral("color: navy; font-weight: bold; text-decoration: underline;"));
  w.dateLabel = Named(new QLabel(w.entryHeader), "lblDate");
  w.dateField = Named(new QLineEdit(w.entryHeader), "txtDate");
  w.dateField->setReadOnly(true);
  w.dateField->setFrame(false);
  info->addWidget(w.titleLabel, 0, 0);
  info->addWidget(w.titleLinkLabel, 0, 1);
  info->addWidget(w.dateLabel, 1, 0);
  info->addWidget(w.dateField, 1, 1);
  w.bylineLabel = Named(new QLabel(w.entryHeader), "lblByline");
  w.bylineLabel->setTextFormat(Qt::PlainText);
  w.bylineLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);  // a long list never widens the window
  info->addWidget(w.bylineLabel, 2, 0, 1, 2);
  info->setColumnStretch(1, 1);
  w.titleLabel->setBuddy(w.titleLinkLabel);
  w.dateLabel->setBuddy(w.dateField);
  layout->addWidget(w.entryHeader);

  w.entryTabs = Named(new QTabWidget(bottom), "pcDesc");
  w.textTab = Named(new QWidget(), "tabText");
  w.entryTextView = Named(new QPlainTextEdit(w.textTab), "txtDesc");
  w.entryTextView->setReadOnly(true);
  w.entryTextView->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  BareLayout(w.textTab)->addWidget(w.entryTextView);
  w.htmlTab = Named(new QWidget(), "tabHTML");
  InstallDocumentAccessibility();
  w.entryHtmlView = Named(new TEntryBrowser(w.htmlTab), "wbDesc");  // never reads files, never navigates
  w.entryHtmlView->setOpenLinks(false);  // links go through the entry view's own rules, never straight to a file
  w.entryHtmlView->setOpenExternalLinks(false);
  BareLayout(w.htmlTab)->addWidget(w.entryHtmlView);
  w.entryTabs->addTab(w.textTab, QString());
  w.entryTabs->addTab(w.htmlTab, QString());
  connect(w.entryTabs, &QTabWidget::currentChanged, this, [this] { ScheduleSave(); });
  layout->addWidget(w.entryTabs, 1);
  return bottom;
}

void TMainWindow::CreateStatusBar() {
  TMainWidgets& w = m_widgets;
  w.statusBar = Named(new QStatusBar(this), "sbMain");
  setStatusBar(w.statusBar);
  w.statusProgress = Named(new QProgressBar(w.statusBar), "pbStatus");
  w.statusProgress->setRange(0, 10000);
  w.statusProgress->setTextVisible(false);
  w.statusProgress->setMinimumWidth(0);
  w.statusProgress->setMaximumWidth(0);  // panel 0 has no width except during a refresh
  w.statusProgress->setVisible(false);
  w.statusBar->addWidget(w.statusProgress);
  // Both texts are cut rather than widening the window. Qt's temporary messages (showMessage) are not used: they
  // are drawn over these labels when set before the window shows.
  w.statusText = Named(new TTranslatedLabel(w.statusBar), "sbMainText");
  w.statusText->setTextFormat(Qt::PlainText);
  w.statusText->setMinimumWidth(1);
  w.statusBar->addWidget(w.statusText, 1);
  w.statusNotice = Named(new TTranslatedLabel(w.statusBar), "sbMainNotice");
  w.statusNotice->setTextFormat(Qt::PlainText);
  w.statusNotice->setMinimumWidth(1);
  w.statusNotice->setVisible(false);
  w.statusBar->addPermanentWidget(w.statusNotice);
}

void TMainWindow::ApplyAccessibleNames() {
  TMainWidgets& w = m_widgets;
  w.feedTreeView->setAccessibleName(Text("Main|tvNavAccessible", "Feed-Baum"));
  w.entryListView->setAccessibleName(Text("Main|lvItemsAccessible", "Einträge"));
  w.entryTextView->setAccessibleName(w.entryTabs->tabText(0).remove(QLatin1Char('&')));
  w.entryHtmlView->setAccessibleName(w.entryTabs->tabText(1).remove(QLatin1Char('&')));
  w.entryTabs->setAccessibleName(Text("Main|pcDescAccessible", "Eintragsansicht"));
  // The title link and the status texts are named by what they show; a fixed name would hide it.
  w.dateField->setAccessibleName(w.dateLabel->text());
  w.statusProgress->setAccessibleName(Text("Main|pbStatusAccessible", "Fortschritt der Aktualisierung"));
  w.statusBar->setAccessibleName(Text("Main|sbMainAccessible", "Status"));
  w.treeSplitter->setAccessibleName(Text("Main|splitterAccessible", "Trenner"));
  w.entrySplitter->setAccessibleName(w.treeSplitter->accessibleName());
}

}  // namespace tidewick
