#pragma once

// The info dialog: program name, version and copyright, the maker's links, and a block about the loaded language
// file with its translator and optional picture. Links come partly from language files (third-party input), so
// only http, https and mailto addresses are ever opened.

#include <functional>
#include <string>

#include <QDialog>
#include <QUrl>

#include "settings/settings.h"

class QGroupBox;
class QLabel;
class QPushButton;

namespace tidewick {

class TInfoDialog : public QDialog {
  Q_OBJECT

 public:
  using TLinkOpener = std::function<bool(const QUrl& url)>;

  // Reads AppPath and Language (for the picture) of `settings`.
  TInfoDialog(const TSettingsValues& settings, QWidget* parent);

  void SetLinkOpener(TLinkOpener opener) { m_openLink = std::move(opener); }

  // The address a link label opens (empty when it opens nothing); for tests and the click handler.
  QUrl LinkTarget(const QLabel* link) const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildControls();
  void ApplyTexts();
  void ShowLanguagePicture(const std::string& appPath, const std::string& language);
  void OpenLink(const QLabel* link);

  TLinkOpener m_openLink;

  QLabel* imgIcon = nullptr;
  QLabel* titleLabel = nullptr;
  QLabel* lblDescription = nullptr;
  QLabel* lblVersion = nullptr;
  QLabel* lblCopyright = nullptr;
  QLabel* lblRights = nullptr;
  QLabel* lblHome = nullptr;
  QLabel* lblHomePage = nullptr;
  QLabel* lblMail = nullptr;
  QLabel* lblMailAddr = nullptr;
  QGroupBox* grpLang = nullptr;
  QLabel* imgLang = nullptr;
  QLabel* lblLang = nullptr;
  QLabel* lblLangAuthor = nullptr;
  QLabel* lblLangAuthorName = nullptr;
  QLabel* lblLangHome = nullptr;
  QLabel* lblLangHomePage = nullptr;
  QLabel* lblLangMail = nullptr;
  QLabel* lblLangMailAddr = nullptr;
  QPushButton* btnOk = nullptr;
};

}  // namespace tidewick
