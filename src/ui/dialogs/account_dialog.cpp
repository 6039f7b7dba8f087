#include "ui/dialogs/account_dialog.h"

#include <optional>

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMetaObject>
#include <QProgressBar>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include "settings/settings.h"
#include "sync/secret_store.h"
#include "sync/sync_run.h"
#include "ui/main/lang_qstring.h"
#include "ui/main/main_window.h"
#include "ui/main/sync_controller.h"
#include "ui/rules/sync_messages.h"

namespace tidewick {
namespace {

std::optional<TAccountDialogServices>& TestServices() {
  static std::optional<TAccountDialogServices> services;
  return services;
}

// An address typed without a scheme is taken as https.
QString WithScheme(const QString& typed) {
  const QString trimmed = typed.trimmed();
  return trimmed.contains(QStringLiteral("://")) ? trimmed : QStringLiteral("https://") + trimmed;
}

}  // namespace

TAccountDialogServices DefaultAccountDialogServices() {
  return {[](TSyncConnection connection) {
            std::unique_ptr<TSyncService> service = MakeSyncService("ttrss", std::move(connection));
            return service ? service->Login() : TSyncStatus{TSyncError::ServerError, "no ttrss service"};
          },
          [] { return tidewick::SecretServiceAvailable(); }};
}

void SetAccountDialogServicesForTests(std::optional<TAccountDialogServices> services) {
  TestServices() = std::move(services);
}

TAccountDialog::TAccountDialog(TAccountDialogServices services, QWidget* parent)
    : QDialog(parent), m_services(std::move(services)) {
  setObjectName(QStringLiteral("dlgAccount"));
  setWindowTitle(Text("Sync|DlgAccountTitle", "Konto hinzufügen"));
  edtServer = new QLineEdit(this);
  edtServer->setObjectName(QStringLiteral("edtServer"));
  edtServer->setPlaceholderText(QStringLiteral("https://example.org/tt-rss/"));
  edtUser = new QLineEdit(this);
  edtUser->setObjectName(QStringLiteral("edtUser"));
  edtPassword = new QLineEdit(this);
  edtPassword->setObjectName(QStringLiteral("edtPassword"));
  edtPassword->setEchoMode(QLineEdit::Password);
  lblPasswordPlace = new QLabel(Text("Sync|PasswordPlaceChecking", "Suche den Schlüsselbund..."), this);
  lblPasswordPlace->setObjectName(QStringLiteral("lblPasswordPlace"));
  lblPasswordPlace->setWordWrap(true);
  lblError = new QLabel(this);
  lblError->setObjectName(QStringLiteral("lblError"));
  lblError->setWordWrap(true);
  lblError->setTextFormat(Qt::PlainText);  // server texts
  lblError->setVisible(false);
  barBusy = new QProgressBar(this);
  barBusy->setObjectName(QStringLiteral("barBusy"));
  barBusy->setRange(0, 0);
  barBusy->setVisible(false);
  buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &TAccountDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &TAccountDialog::reject);

  auto* form = new QFormLayout();
  const std::pair<QLineEdit*, QString> fields[] = {
      {edtServer, Text("Sync|lblServer", "Server-Adresse:")},
      {edtUser, Text("Sync|lblUser", "Benutzername:")},
      {edtPassword, Text("Sync|lblPassword", "Passwort:")},
  };
  for (const auto& [field, caption] : fields) {
    auto* label = new QLabel(caption, this);
    label->setBuddy(field);
    form->addRow(label, field);
    field->setAccessibleName(QString(caption).remove(QLatin1Char(':')));
  }
  buttons->button(QDialogButtonBox::Ok)
      ->setAccessibleName(Text("Sync|btnCheckAccessible", "Konto prüfen und hinzufügen"));
  buttons->button(QDialogButtonBox::Cancel)->setAccessibleName(buttons->button(QDialogButtonBox::Cancel)->text());
  buttons->setAccessibleName(windowTitle());
  lblPasswordPlace->setAccessibleName(Text("Sync|lblPasswordPlaceAccessible", "Wo das Passwort bleibt"));
  lblError->setAccessibleName(Text("Sync|lblErrorAccessible", "Fehler"));
  barBusy->setAccessibleName(Text("Sync|barBusyAccessible", "Prüfe das Konto"));
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(lblPasswordPlace);
  layout->addWidget(lblError);
  layout->addWidget(barBusy);
  layout->addWidget(buttons);
  setMinimumWidth(420);

  // Asking the session bus may take a moment: never on the window's thread.
  m_worker = std::jthread([this, available = m_services.SecretServiceAvailable] {
    const bool found = available && available();
    QMetaObject::invokeMethod(
        this,
        [this, found] {
          m_secretService = found;
          lblPasswordPlace->setText(QString::fromStdString(PasswordPlaceText(found)));
        },
        Qt::QueuedConnection);
  });
}

TAccountDialog::~TAccountDialog() {
  m_stop->store(true);
}

std::string TAccountDialog::ServerUrl() const {
  return WithScheme(edtServer->text()).toStdString();
}

std::string TAccountDialog::UserName() const {
  return edtUser->text().trimmed().toStdString();
}

std::string TAccountDialog::Password() const {
  return edtPassword->text().toStdString();
}

void TAccountDialog::SetBusy(bool busy) {
  m_checking = busy;
  barBusy->setVisible(busy);
  for (QLineEdit* field : {edtServer, edtUser, edtPassword}) {
    field->setEnabled(!busy);
  }
  buttons->button(QDialogButtonBox::Ok)->setEnabled(!busy);
}

void TAccountDialog::accept() {
  if (m_checking) {
    return;
  }
  const QUrl url(WithScheme(edtServer->text()));
  if (edtServer->text().trimmed().isEmpty() || UserName().empty() || Password().empty() || !url.isValid() ||
      url.host().isEmpty() || (url.scheme() != QStringLiteral("http") && url.scheme() != QStringLiteral("https"))) {
    lblError->setText(
        Text("Sync|ErrFillIn", "Bitte Server-Adresse (http oder https), Benutzername und Passwort angeben."));
    lblError->setVisible(true);
    return;
  }
  lblError->setVisible(false);
  SetBusy(true);
  // The login is checked the way the syncs will go: through the user's proxy, with the sync's time-out.
  TSyncConnection connection = SyncConnectionFor({}, Settings(), {});
  connection.ServerUrl = ServerUrl();
  connection.UserName = UserName();
  connection.Password = Password();
  connection.StopFlag = m_stop.get();
  if (m_worker.joinable()) {
    m_worker.join();  // the keyring question: answered long ago or soon
  }
  m_worker = std::jthread([this, check = m_services.Check, connection, stop = m_stop] {
    const TSyncStatus status = check ? check(connection) : TSyncStatus{TSyncError::ServerError, "no check"};
    if (!stop->load()) {
      QMetaObject::invokeMethod(
          this, [this, status] { OnChecked(status); }, Qt::QueuedConnection);
    }
  });
}

void TAccountDialog::OnChecked(const TSyncStatus& status) {
  SetBusy(false);
  if (status.Ok()) {
    QDialog::accept();
    return;
  }
  lblError->setText(QString::fromStdString(SyncErrorText(status)));
  lblError->setVisible(true);
}

void TAccountDialog::reject() {
  m_stop->store(true);  // a running check ends soon; its answer is dropped
  QDialog::reject();
}

void RunAddAccountDialog(TMainWindow& window) {
  auto* dialog = new TAccountDialog(TestServices() ? *TestServices() : DefaultAccountDialogServices(), &window);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  QObject::connect(dialog, &QDialog::accepted, &window, [&window, dialog] {
    TSyncAccount account;
    account.Kind = "ttrss";
    account.ServerUrl = dialog->ServerUrl();
    account.UserName = dialog->UserName();
    const QString host = QUrl(QString::fromStdString(account.ServerUrl)).host();
    account.Title = host.isEmpty() ? account.ServerUrl : host.toStdString();
    window.Sync().AddAccount(std::move(account), dialog->Password(), dialog->SecretServiceFound());
  });
  dialog->open();
}

}  // namespace tidewick
