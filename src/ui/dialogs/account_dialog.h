#pragma once

// "Add account...": server address, user name and password of a Tiny Tiny RSS account. OK checks them off the
// window's thread (login and API level) with a busy bar and Cancel, says plainly why a check failed, and accepts
// only an account the server took. Where the password will be kept is said under the fields.

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include <QDialog>

#include "sync/sync_service.h"

class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QProgressBar;

namespace tidewick {

class TMainWindow;

// What the dialog asks of the world, blocking, on a worker; tests give their own answers.
struct TAccountDialogServices {
  std::function<TSyncStatus(TSyncConnection)> Check;  // logs in
  std::function<bool()> SecretServiceAvailable;
};
TAccountDialogServices DefaultAccountDialogServices();
// Tests: the services every dialog opened from now on uses (nothing: the defaults).
void SetAccountDialogServicesForTests(std::optional<TAccountDialogServices> services);

class TAccountDialog : public QDialog {
  Q_OBJECT

 public:
  TAccountDialog(TAccountDialogServices services, QWidget* parent = nullptr);
  ~TAccountDialog() override;  // stops and joins a running check

  // The address as checked (a scheme added when none was typed), user name and password; valid once accepted.
  std::string ServerUrl() const;
  std::string UserName() const;
  std::string Password() const;
  bool SecretServiceFound() const { return m_secretService; }

  QLineEdit* edtServer;
  QLineEdit* edtUser;
  QLineEdit* edtPassword;
  QLabel* lblPasswordPlace;
  QLabel* lblError;
  QProgressBar* barBusy;
  QDialogButtonBox* buttons;

 public slots:
  void accept() override;  // starts the check; the dialog closes when it succeeds
  void reject() override;  // also stops a running check

 private:
  void SetBusy(bool busy);
  void OnChecked(const TSyncStatus& status);

  TAccountDialogServices m_services;
  std::shared_ptr<std::atomic<bool>> m_stop = std::make_shared<std::atomic<bool>>(false);
  bool m_secretService = false;
  bool m_checking = false;
  std::jthread m_worker;  // last: joined before the members it reports to go away
};

// Opens the dialog for the window (window-modal, deletes itself); an accepted account is added and synced.
void RunAddAccountDialog(TMainWindow& window);

}  // namespace tidewick
