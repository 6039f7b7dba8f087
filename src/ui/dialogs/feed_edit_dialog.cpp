#include "ui/dialogs/feed_edit_dialog.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "ui/dialogs/settings_number_box.h"
#include "ui/main/lang_qstring.h"
#include "ui/main/ui_prompts.h"
#include "ui/rules/refresh_details.h"
#include "util/case_fold.h"
#include "util/dates.h"
#include "util/strings.h"
#include "web/feed_address.h"

namespace tidewick {
namespace {

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

// The user's short date, and the long time unless it is exactly midnight.
std::string FormatLocalDate(TDateTime local) {
  const TDateTimeParts parts = DecodeDateTime(local);
  const QLocale locale;
  const QDate date(parts.Year, parts.Month, parts.Day);
  QString text = locale.toString(date, QLocale::ShortFormat);
  if (parts.Hour != 0 || parts.Minute != 0 || parts.Second != 0)
    text += ' ' + locale.toString(QTime(parts.Hour, parts.Minute, parts.Second), QLocale::LongFormat);
  return text.toStdString();
}

// A tool tip that shows text as it is, never as markup, wrapped when it is long (a plain tip runs on in one line).
QString PlainToolTip(const QString& text) {
  return QStringLiteral("<qt>") + text.toHtmlEscaped().replace('\n', QStringLiteral("<br>")) + QStringLiteral("</qt>");
}

TFetchOptions FetchOptionsFrom(const TSettingsValues& settings) {
  TFetchOptions options;
  options.Proxy = ProxyFrom(settings);
  return options;
}

template <typename T>
T* Named(T* widget, const char* name) {
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

}  // namespace

TFeedEditDialog::TFeedEditDialog(const TSettingsValues& settings, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_defaultTtl(settings.DefaultTTL),
      m_fetchOptions(FetchOptionsFrom(settings)),
      m_openLink([](const QUrl& url) { return QDesktopServices::openUrl(url); }) {
  setObjectName(QStringLiteral("frmFeedEdit"));
  BuildControls();
  BuildIntervalMenu();
  ApplyTexts();
  PrepareAdd({});
}

TFeedEditDialog::~TFeedEditDialog() = default;

void TFeedEditDialog::BuildControls() {
  grpFeedURL = Named(new QGroupBox(this), "grpFeedURL");
  lblFeedURL = Named(new QLabel(grpFeedURL), "lblFeedURL");
  txtFeedURL = Named(new QLineEdit(grpFeedURL), "txtFeedURL");
  btnGetFeed = Named(new QPushButton(grpFeedURL), "btnGetFeed");
  lblFetchState = Named(new QLabel(grpFeedURL), "lblFetchState");
  lblFeedURL->setBuddy(txtFeedURL);
  txtFeedURL->installEventFilter(this);
  btnGetFeed->setAutoDefault(false);
  auto* urlLayout = new QGridLayout(grpFeedURL);
  urlLayout->addWidget(lblFeedURL, 0, 0);
  urlLayout->addWidget(txtFeedURL, 0, 1);
  urlLayout->addWidget(btnGetFeed, 0, 2);
  urlLayout->addWidget(lblFetchState, 1, 1, 1, 2);

  grpDetails = Named(new QGroupBox(this), "grpDetails");
  lvDetails = Named(new QTreeWidget(grpDetails), "lvDetails");
  lvDetails->setColumnCount(2);
  lvDetails->setRootIsDecorated(false);
  lvDetails->setSelectionBehavior(QAbstractItemView::SelectRows);
  lvDetails->setEditTriggers(QAbstractItemView::NoEditTriggers);
  lvDetails->header()->setSectionsClickable(false);
  lvDetails->header()->setStretchLastSection(true);
  lvDetails->setColumnWidth(0, 125);
  lvDetails->setMinimumHeight(170);
  (new QVBoxLayout(grpDetails))->addWidget(lvDetails);
  connect(lvDetails, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) { OpenDetail(item); });

  lblName = Named(new QLabel(this), "lblName");
  txtName = Named(new QLineEdit(this), "txtName");
  lblName->setBuddy(txtName);
  lblTTL = Named(new QLabel(this), "lblTTL");
  txtTTL = Named(new TNumberBox(0, kMaxFeedInterval, this), "txtTTL");
  lblTTL->setBuddy(txtTTL);
  lblMin1 = Named(new QLabel(this), "lblMin1");
  chkRefreshAtStart = Named(new QCheckBox(this), "chkRefreshAtStart");
  chkLoadImages = Named(new QCheckBox(this), "chkLoadImages");
  auto* fields = new QGridLayout;
  fields->addWidget(lblName, 0, 0);
  fields->addWidget(txtName, 0, 1, 1, 2);
  fields->addWidget(lblTTL, 1, 0);
  fields->addWidget(txtTTL, 1, 1);
  fields->addWidget(lblMin1, 1, 2);
  fields->addWidget(chkRefreshAtStart, 2, 1, 1, 2);
  lblFolder = Named(new QLabel(this), "lblFolder");
  cmbFolder = Named(new QComboBox(this), "cmbFolder");
  lblFolder->setBuddy(cmbFolder);
  lblFolder->hide();
  cmbFolder->hide();
  fields->addWidget(lblFolder, 3, 0);
  fields->addWidget(cmbFolder, 3, 1, 1, 2);
  fields->addWidget(chkLoadImages, 4, 1, 1, 2);
  fields->setColumnStretch(2, 1);

  auto* buttons = new QDialogButtonBox(this);
  btnOk = Named(buttons->addButton(QString(), QDialogButtonBox::AcceptRole), "btnOk");
  btnCancel = Named(buttons->addButton(QString(), QDialogButtonBox::RejectRole), "btnCancel");
  btnOk->setDefault(true);
  btnCancel->setAutoDefault(false);
  connect(buttons, &QDialogButtonBox::accepted, this, &TFeedEditDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &TFeedEditDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(grpFeedURL);
  layout->addWidget(grpDetails, 1);
  layout->addLayout(fields);
  layout->addWidget(buttons);
  resize(480, 460);

  connect(btnGetFeed, &QPushButton::clicked, this, [this] { StartFetch(); });
  connect(txtFeedURL, &QLineEdit::textChanged, this, [this] { AddressEdited(); });
  connect(txtFeedURL, &QLineEdit::editingFinished, this, [this] { NormalizeAddressField(); });
  connect(txtName, &QLineEdit::editingFinished, this, [this] {
    const QString trimmed = txtName->text().trimmed();
    if (trimmed != txtName->text())
      txtName->setText(trimmed);
  });
}

void TFeedEditDialog::BuildIntervalMenu() {
  pmnuTTL = Named(new QMenu(this), "pmnuTTL");
  for (const TIntervalMenuItem& item : kIntervalMenu) {
    QAction* action = pmnuTTL->addAction(Q(IntervalMenuText(item)));
    action->setObjectName(QString::fromLatin1(item.Name.data(), static_cast<qsizetype>(item.Name.size())));
    action->setCheckable(true);
    action->setData(item.Minutes);
    connect(action, &QAction::triggered, this, [this, minutes = item.Minutes] { txtTTL->setValue(minutes); });
  }
  connect(pmnuTTL, &QMenu::aboutToShow, this, [this] {
    for (QAction* action : pmnuTTL->actions())
      action->setChecked(action->data().toInt() == txtTTL->value());
  });
  for (QWidget* widget : std::initializer_list<QWidget*>{lblTTL, lblMin1, txtTTL}) {
    widget->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(widget, &QWidget::customContextMenuRequested, this,
            [this, widget](const QPoint& position) { ShowIntervalMenu(widget->mapToGlobal(position)); });
  }
}

void TFeedEditDialog::ShowIntervalMenu(const QPoint& globalPosition) {
  pmnuTTL->popup(globalPosition);
}

void TFeedEditDialog::ApplyTexts() {
  grpFeedURL->setTitle(Text("FeedEdit|grpFeedURL", "Adresse"));
  lblFeedURL->setText(Text("FeedEdit|lblFeedURL", "Feed-URL:"));
  btnGetFeed->setText(Text("FeedEdit|btnGetFeed", "Feed abfragen"));
  grpDetails->setTitle(Text("FeedEdit|grpDetails", "Details"));
  lvDetails->setHeaderLabels({Text("FeedEdit|lvDetailsField", "Feld"), Text("FeedEdit|lvDetailsValue", "Wert")});
  lblName->setText(Text("FeedEdit|lblName", "Bezeichnung:"));
  lblTTL->setText(Text("FeedEdit|lblTTL", "Abfrageintervall:"));
  lblMin1->setText(Text("FeedEdit|lblMin", "Minuten"));
  lblFolder->setText(Text("FeedEdit|lblFolder", "Ordner:"));
  chkRefreshAtStart->setText(Text("FeedEdit|chkRefreshAtStart", "Beim Programmstart abfragen"));
  chkLoadImages->setText(Text("FeedEdit|chkLoadImages", "Bilder aus dem Web ohne Nachfrage laden"));
  btnOk->setText(Text("General|btnOk", "Ok"));
  btnCancel->setText(Text("General|btnCancel", "Abbrechen"));
  const auto withoutColon = [](const QLabel* label) { return label->text().remove(QLatin1Char(':')); };
  txtFeedURL->setAccessibleName(withoutColon(lblFeedURL));
  txtName->setAccessibleName(withoutColon(lblName));
  txtTTL->setAccessibleName(withoutColon(lblTTL));
  cmbFolder->setAccessibleName(withoutColon(lblFolder));
  lvDetails->setAccessibleName(grpDetails->title());
}

void TFeedEditDialog::PrepareAdd(const QString& address) {
  m_editMode = false;
  m_work = TFeed{};
  setWindowTitle(Text("FeedEdit|TitleAdd", "Feed hinzufügen"));
  QString candidate = address;
  if (candidate.isEmpty() && QGuiApplication::clipboard() != nullptr)
    candidate = QGuiApplication::clipboard()->text();
  const std::optional<std::string> accepted = AcceptFeedAddress(candidate.toStdString());
  txtFeedURL->setText(accepted ? Q(*accepted) : QString());
  txtTTL->setValue(0);
  btnOk->setEnabled(false);
}

void TFeedEditDialog::OfferFolders(const QStringList& folders, int chosen) {
  cmbFolder->clear();
  cmbFolder->addItems(folders);  // plain text: a combo box draws no markup
  cmbFolder->setCurrentIndex(chosen);
  lblFolder->setVisible(!folders.isEmpty());
  cmbFolder->setVisible(!folders.isEmpty());
}

int TFeedEditDialog::ChosenFolder() const {
  return cmbFolder->isVisibleTo(this) ? cmbFolder->currentIndex() : -1;
}

void TFeedEditDialog::PrepareEdit(const TFeed& feed) {
  m_editMode = true;
  m_work = feed;
  setWindowTitle(Text("FeedEdit|TitleEdit", "Feed bearbeiten"));
  txtFeedURL->setText(Q(NormalizeFeedAddress(feed.URL)));
  txtName->setText(Q(feed.Name));
  m_intervalWasUnset = feed.Interval < 0;
  txtTTL->setValue(std::max<int>(feed.Interval, 0));
  chkRefreshAtStart->setChecked(feed.RefreshAtStart);
  chkLoadImages->setChecked(feed.LoadImages);
  FillDetails(m_work);
  btnOk->setEnabled(true);
}

void TFeedEditDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (m_shown)
    return;
  m_shown = true;
  if (!m_editMode && !txtFeedURL->text().isEmpty())
    StartFetch();
}

bool TFeedEditDialog::eventFilter(QObject* watched, QEvent* event) {
  // Enter in the address field fetches; it never confirms the dialog.
  if (watched == txtFeedURL && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      StartFetch();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void TFeedEditDialog::NormalizeAddressField() {
  const QString normal = Q(NormalizeFeedAddress(txtFeedURL->text().trimmed().toStdString()));
  if (!txtFeedURL->text().isEmpty() && normal != txtFeedURL->text())
    txtFeedURL->setText(normal);
}

void TFeedEditDialog::AddressEdited() {
  if (!m_shown && !m_editMode)
    return;
  const std::string address = NormalizeFeedAddress(txtFeedURL->text().trimmed().toStdString());
  if (m_fetched && address == m_fetchedAddress)
    return;  // only normalised, still the fetched address
  m_fetcher.Abandon();
  ShowFetching(false);
  m_fetched.reset();
  btnOk->setEnabled(false);
}

void TFeedEditDialog::StartFetch() {
  NormalizeAddressField();
  const std::string address = txtFeedURL->text().toStdString();
  m_fetcher.Abandon();
  m_fetched.reset();
  btnOk->setEnabled(false);
  lvDetails->clear();
  if (!IsFetchableFeedAddress(address)) {
    ShowFetching(false);
    prompts::Message(this, QMessageBox::Critical, Text("FeedEdit|MsgGetErrTitle", "Feed abfragen"),
                     Text("FeedEdit|MsgAddressNotWebText",
                          "Nur Adressen, die mit http://, https:// oder ftp:// beginnen, können abgefragt werden."));
    return;
  }
  ShowFetching(true);
  m_fetcher.Start(address, m_fetchOptions, [this](TFeedFetchOutcome outcome) { TakeFetchOutcome(std::move(outcome)); });
}

void TFeedEditDialog::ShowFetching(bool fetching) {
  lblFetchState->setText(fetching ? Text("FeedEdit|lblFetching", "Feed wird abgefragt...") : QString());
  if (fetching)
    setCursor(Qt::BusyCursor);
  else
    unsetCursor();
}

void TFeedEditDialog::TakeFetchOutcome(TFeedFetchOutcome outcome) {
  ShowFetching(false);
  if (!outcome.Downloaded) {
    prompts::Message(this, QMessageBox::Critical, Text("FeedEdit|MsgGetErrTitle", "Feed abfragen"),
                     Q(FetchFailedText(outcome.FailureCode)));
    return;
  }
  if (!outcome.Recognised && FollowDiscoveredFeed(outcome))
    return;  // a web page that names its feeds: one of them is being fetched
  if (!outcome.Recognised) {
    AddDetailRow(UnrecognisedDetailRow());
    if (const std::optional<TDetailRow> status = ErrorStatusDetailRow(outcome.HttpCode)) {
      AddDetailRow(*status);
    }
    return;
  }
  TFeed shown = m_work;
  shown.FeedType = outcome.Document.FeedType;
  shown.Info = outcome.Document.Info;
  FillDetails(shown);
  if (txtName->text().trimmed().isEmpty())
    txtName->setText(Q(UniqueFeedName(outcome.Document.Info.Title)));
  if (txtTTL->value() == 0 && (!m_editMode || m_intervalWasUnset))
    txtTTL->setValue(ProposedInterval(outcome.Document.Info.TTL, m_defaultTtl));
  m_fetchedAddress = outcome.Address;
  m_fetched = std::move(outcome.Document);
  m_fetchedAt = NowUtc();
  btnOk->setEnabled(true);
}

void TFeedEditDialog::FillDetails(const TFeed& feed) {
  lvDetails->clear();
  std::vector<TDetailRow> rows = FeedDetailRows(feed, FormatLocalDate);
  for (TDetailRow& row : LastRefreshDetailRows(feed, FormatLocalDate, NowUtc())) {
    rows.push_back(std::move(row));
  }
  for (const TDetailRow& row : rows) {
    AddDetailRow(row);
  }
}

void TFeedEditDialog::AddDetailRow(const TDetailRow& row) {
  auto* item = new QTreeWidgetItem(QStringList{Q(row.Caption), Q(row.Value)});
  // A value too long for its column is cut short with an ellipsis; the tip holds it whole, wrapped.
  item->setToolTip(1, PlainToolTip(Q(row.Value)));
  lvDetails->addTopLevelItem(item);
}

void TFeedEditDialog::OpenDetail(QTreeWidgetItem* item) {
  if (item == nullptr)
    return;
  const QString value = item->text(1).trimmed();
  const std::string lower = LowerAscii(value.toStdString());
  if (lower.starts_with("feed:")) {
    if (m_feedLinkHandler)
      m_feedLinkHandler(value);
    return;
  }
  if (!lower.starts_with("http://") && !lower.starts_with("https://"))
    return;
  const QUrl url(value, QUrl::StrictMode);
  if (!url.isValid() || !m_openLink(url)) {
    prompts::Message(this, QMessageBox::NoIcon,
                     Text("General|MsgNoStdBrowserTitle", "Kein Standard-Webbrowser gefunden"),
                     Text("General|MsgNoStdBrowserText", "Ihr Standard-Webbrowser konnte nicht geöffnet werden!"));
  }
}

void TFeedEditDialog::accept() {
  if (!btnOk->isEnabled())
    return;
  txtTTL->interpretText();
  const std::string channelTitle = m_fetched ? m_fetched->Info.Title : m_work.Info.Title;
  const TFeedEditOkCheck check =
      CheckFeedEditOk(txtName->text().toStdString(), channelTitle, txtTTL->value(), m_editMode ? m_work.Id : 0);
  if (check.NameCleaned) {
    txtName->setText(Q(check.Name));
    prompts::Message(
        this, QMessageBox::Information, Text("FeedEdit|MsgDescInvalidCharsTitle", "Ungültige Zeichen"),
        Text("FeedEdit|MsgDescInvalidCharsText",
             "Die Bezeichnung enthielt ungültige Zeichen, sie wurde auf%w%\"%s1%\" geändert.", check.Name));
  }
  if (check.NameEmpty) {
    prompts::Message(this, QMessageBox::Critical, Text("FeedEdit|MsgNameEmptyTitle", "Bezeichnung fehlt"),
                     Text("FeedEdit|MsgNameEmptyText", "Bitte geben Sie eine Bezeichnung für das Feed ein."));
    return;
  }
  if (check.Interval == TIntervalVerdict::Refuse) {
    prompts::Message(this, QMessageBox::Critical, Text("FeedEdit|MsgTTLToLowTitle", "Zu kleines Abfrageintervall"),
                     Text("FeedEdit|MsgTTLToLowText",
                          "Ein Abfrageintervall von weniger als 15 Minuten ist nicht zulässig.%w%Sie sollten das "
                          "Intervall auf mindestens 60 Minuten setzen."));
    return;
  }
  if (check.Interval == TIntervalVerdict::AskFirst) {
    if (WantsToCorrectLowInterval(this, txtTTL->value()))
      return;
  }
  if (check.NameTaken) {
    prompts::Message(this, QMessageBox::Critical,
                     Text("FeedEdit|MsgCaptionNotUniqueTitle", "Bezeichnung bereits vergeben"),
                     Text("FeedEdit|MsgCaptionNotUniqueText",
                          "Die Bezeichnung muss eindeutig sein.%w%\"%s1%\" wurde bereits vergeben.", check.Name));
    return;
  }
  m_result.Name = check.Name;
  m_result.URL = m_fetched ? m_fetchedAddress : NormalizeFeedAddress(txtFeedURL->text().trimmed().toStdString());
  m_result.Interval = txtTTL->value();
  m_result.RefreshAtStart = chkRefreshAtStart->isChecked();
  m_result.LoadImages = chkLoadImages->isChecked();
  m_result.Fetched = m_fetched;
  m_result.FetchedAt = m_fetchedAt;
  m_fetcher.Abandon();
  QDialog::accept();
}

void TFeedEditDialog::reject() {
  m_fetcher.Abandon();
  ShowFetching(false);
  QDialog::reject();
}

}  // namespace tidewick
