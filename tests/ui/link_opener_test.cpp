// Which addresses a link may hand to the desktop: web pages and mail only, never an option for the opener.

#include "ui/main/link_opener.h"

#include <QTest>

using namespace tidewick;

class LinkOpenerTest : public QObject {
  Q_OBJECT

 private slots:
  void opensOnlyWebAndMailAddresses() {
    const struct {
      const char* Url;
      bool Safe;
    } cases[] = {
        {"http://example.org/a", true},
        {"HTTPS://example.org", true},
        {"ftp://example.org/f", true},
        {"mailto:me@example.org", true},
        {"mailto:-oProxyCommand=x", false},
        {"MAILTO:--help", false},
        {"file:///etc/passwd", false},
        {"javascript:alert(1)", false},
        {"data:text/html,x", false},
        {"smb://host/share", false},
        {"http:///path", false},
        {"example.org/a", false},
        {"", false},
        {"-http://example.org", false},
    };
    for (const auto& c : cases) {
      QVERIFY2(IsSafeUrlToOpen(QUrl(QString::fromUtf8(c.Url))) == c.Safe, c.Url);
    }
  }
};

QTEST_MAIN(LinkOpenerTest)
#include "link_opener_test.moc"
