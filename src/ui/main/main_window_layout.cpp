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

#include "lang/lang_text.h"
#include "ui/main/desc_browser.h"
#include "ui/main/main_window.h"
#include "ui/main/nav_tree_model.h"
#include "ui/main/nav_tree_view.h"

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

QString Text(const char* key, const char* defaultText) {
  return QString::fromStdString(GetLangText(key, defaultText));
}

}  // namespace

void TfrmMain::CreatePanes() {
  TMainWidgets& w = m_widgets;
  w.splitterV = Named(new QSplitter(Qt::Horizontal, this), "splitterV");
  w.splitterV->setChildrenCollapsible(false);
  m_navModel = new TNavTreeModel(*m_tree, this);
  w.tvNav = Named(new TNavTreeView(m_navModel, w.splitterV), "tvNav");

  w.pnlLeft = Named(new QWidget(w.splitterV), "pnlLeft");
  w.splitterH = Named(new QSplitter(Qt::Vertical, w.pnlLeft), "splitterH");
  w.splitterH->setChildrenCollapsible(false);
  w.splitterH->setHandleWidth(3);
  BareLayout(w.pnlLeft)->addWidget(w.splitterH);
  w.pnlLeft->installEventFilter(this);  // the entry view's share is kept on every resize of the right side
  w.lvItems = Named(new QTreeView(w.splitterH), "lvItems");
  w.lvItems->setRootIsDecorated(false);
  w.lvItems->setUniformRowHeights(true);
  w.pnlLeftBottom = CreateEntryView();
  w.splitterH->addWidget(w.pnlLeftBottom);
  w.splitterH->setStretchFactor(0, 1);
  w.splitterH->setStretchFactor(1, 0);
  w.splitterV->setStretchFactor(0, 0);
  w.splitterV->setStretchFactor(1, 1);
  w.splitterV->setSizes({220, 500});
  connect(w.splitterH, &QSplitter::splitterMoved, this, [this] { RecordPaneRatio(); });
  connect(w.splitterV, &QSplitter::splitterMoved, this, [this] { ScheduleSave(); });
  connect(w.splitterH, &QSplitter::splitterMoved, this, [this] { ScheduleSave(); });
  setCentralWidget(w.splitterV);
}

QWidget* TfrmMain::CreateEntryView() {
  TMainWidgets& w = m_widgets;
  auto* bottom = Named(new QWidget(), "pnlLeftBottom");
  QVBoxLayout* layout = BareLayout(bottom);

  w.pnlInfo = Named(new QWidget(bottom), "pnlInfo");
  auto* info = new QGridLayout(w.pnlInfo);
  info->setContentsMargins(4, 2, 4, 2);
  w.lblTitle = Named(new QLabel(w.pnlInfo), "lblTitle");
  w.lblTitleLink = Named(new QLabel(w.pnlInfo), "lblTitleLink");
  w.lblTitleLink->setTextFormat(Qt::PlainText);  // feed text: never interpreted
  w.lblTitleLink->setCursor(Qt::PointingHandCursor);
  w.lblTitleLink->setStyleSheet(QStringLiteral("color: navy; font-weight: bold; text-decoration: underline;"));
  w.lblDate = Named(new QLabel(w.pnlInfo), "lblDate");
  w.txtDate = Named(new QLineEdit(w.pnlInfo), "txtDate");
  w.txtDate->setReadOnly(true);
  w.txtDate->setFrame(false);
  info->addWidget(w.lblTitle, 0, 0);
  info->addWidget(w.lblTitleLink, 0, 1);
  info->addWidget(w.lblDate, 1, 0);
  info->addWidget(w.txtDate, 1, 1);
  info->setColumnStretch(1, 1);
  w.lblTitle->setBuddy(w.lblTitleLink);
  w.lblDate->setBuddy(w.txtDate);
  layout->addWidget(w.pnlInfo);

  w.pcDesc = Named(new QTabWidget(bottom), "pcDesc");
  w.tabText = Named(new QWidget(), "tabText");
  w.txtDesc = Named(new QPlainTextEdit(w.tabText), "txtDesc");
  w.txtDesc->setReadOnly(true);
  w.txtDesc->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  BareLayout(w.tabText)->addWidget(w.txtDesc);
  w.tabHTML = Named(new QWidget(), "tabHTML");
  w.wbDesc = Named(new TDescBrowser(w.tabHTML), "wbDesc");  // never reads files, never navigates
  w.wbDesc->setOpenLinks(false);  // links go through the entry view's own rules, never straight to a file
  w.wbDesc->setOpenExternalLinks(false);
  BareLayout(w.tabHTML)->addWidget(w.wbDesc);
  w.pcDesc->addTab(w.tabText, QString());
  w.pcDesc->addTab(w.tabHTML, QString());
  connect(w.pcDesc, &QTabWidget::currentChanged, this, [this] { ScheduleSave(); });
  layout->addWidget(w.pcDesc, 1);
  return bottom;
}

void TfrmMain::CreateStatusBar() {
  TMainWidgets& w = m_widgets;
  w.sbMain = Named(new QStatusBar(this), "sbMain");
  setStatusBar(w.sbMain);
  w.pbStatus = Named(new QProgressBar(w.sbMain), "pbStatus");
  w.pbStatus->setRange(0, 10000);
  w.pbStatus->setTextVisible(false);
  w.pbStatus->setMinimumWidth(0);
  w.pbStatus->setMaximumWidth(0);  // panel 0 has no width except during a refresh
  w.pbStatus->setVisible(false);
  w.sbMain->addWidget(w.pbStatus);
  w.sbMainText = Named(new QLabel(w.sbMain), "sbMainText");
  w.sbMainText->setTextFormat(Qt::PlainText);
  w.sbMain->addWidget(w.sbMainText, 1);
}

void TfrmMain::ApplyAccessibleNames() {
  TMainWidgets& w = m_widgets;
  w.tvNav->setAccessibleName(Text("Main|tvNavAccessible", "Feed-Baum"));
  w.lvItems->setAccessibleName(Text("Main|lvItemsAccessible", "Einträge"));
  w.txtDesc->setAccessibleName(w.pcDesc->tabText(0).remove(QLatin1Char('&')));
  w.wbDesc->setAccessibleName(w.pcDesc->tabText(1).remove(QLatin1Char('&')));
  w.pcDesc->setAccessibleName(Text("Main|pcDescAccessible", "Eintragsansicht"));
  w.lblTitleLink->setAccessibleName(w.lblTitle->text());
  w.txtDate->setAccessibleName(w.lblDate->text());
  w.pbStatus->setAccessibleName(Text("Main|pbStatusAccessible", "Fortschritt der Aktualisierung"));
  w.sbMainText->setAccessibleName(Text("Main|sbMainAccessible", "Status"));
  w.splitterV->setAccessibleName(Text("Main|splitterAccessible", "Trenner"));
  w.splitterH->setAccessibleName(w.splitterV->accessibleName());
}

}  // namespace tidewick
