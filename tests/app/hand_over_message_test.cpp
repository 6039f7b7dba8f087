#include "app/hand_over_message.h"

#include <QTest>

namespace tidewick {
namespace {

std::string Number(uint32_t value) {
  std::string bytes;
  for (int shift = 24; shift >= 0; shift -= 8) {
    bytes.push_back(static_cast<char>((value >> shift) & 0xFF));
  }
  return bytes;
}

// A message built by hand, so malformed ones can be written too.
std::string Frame(const std::vector<std::string>& texts) {
  std::string payload = Number(static_cast<uint32_t>(texts.size()));
  for (const std::string& text : texts) {
    payload += Number(static_cast<uint32_t>(text.size())) + text;
  }
  return "TWK1" + Number(static_cast<uint32_t>(payload.size())) + payload;
}

THandOverDecoder::TStatus Decode(const std::string& bytes) {
  THandOverDecoder decoder;
  return decoder.Append(bytes);
}

}  // namespace

class HandOverMessageTest : public QObject {
  Q_OBJECT

 private slots:
  void roundTripsTokenAndParametersEvenByteByByte() {
    const THandOver sent{"token_TIME123", {"feed://example.org/rss", "Jürgen's feed", ""}};
    const std::optional<std::string> bytes = EncodeHandOver(sent);
    QVERIFY(bytes.has_value());
    THandOverDecoder decoder;
    for (size_t i = 0; i + 1 < bytes->size(); ++i) {
      QCOMPARE(decoder.Append(bytes->substr(i, 1)), THandOverDecoder::TStatus::NeedMore);
    }
    QCOMPARE(decoder.Append(bytes->substr(bytes->size() - 1)), THandOverDecoder::TStatus::Complete);
    QVERIFY(decoder.Message() == sent);
  }

  void rejectsMalformedMessages_data() {
    QTest::addColumn<QByteArray>("bytes");
    const auto row = [](const char* name, const std::string& bytes) {
      QTest::newRow(name) << QByteArray::fromStdString(bytes);
    };
    const std::string good = Frame({"", "http://example.org"});
    row("wrong magic", "GET / HTTP/1.1\r\n\r\n");
    row("length past the limit", "TWK1" + Number(70000));
    row("length below the count", "TWK1" + Number(2) + "ab");
    row("no texts at all", Frame({}));
    row("control character", Frame({"", "http://example.org/\nrm"}));
    row("escape character", Frame({"", "\x1b[2J"}));
    row("C1 control", Frame({"", "http://example.org/\xC2\x85"}));
    row("delete character", Frame({"\x7F"}));
    row("invalid UTF-8", Frame({"", "http://example.org/\xFF"}));
    row("text longer than the payload", "TWK1" + Number(8) + Number(1) + Number(100));
    row("bytes after the message", good + "x");
    row("too many texts", Frame(std::vector<std::string>(kMaxHandOverTexts + 1, "a")));
  }
  void rejectsMalformedMessages() {
    QFETCH(QByteArray, bytes);
    QCOMPARE(Decode(bytes.toStdString()), THandOverDecoder::TStatus::Invalid);
  }

  void neverBuffersMoreThanOneMessage() {
    THandOverDecoder decoder;
    // A header announcing the largest message, then endless bytes: invalid as soon as the message is overdue.
    QCOMPARE(decoder.Append("TWK1" + Number(kMaxHandOverBytes - 8)), THandOverDecoder::TStatus::NeedMore);
    const std::string chunk(4096, 'a');
    THandOverDecoder::TStatus status = THandOverDecoder::TStatus::NeedMore;
    for (int i = 0; i < 64 && status == THandOverDecoder::TStatus::NeedMore; ++i) {
      status = decoder.Append(chunk);
    }
    QCOMPARE(status, THandOverDecoder::TStatus::Invalid);
  }

  void refusesToEncodeWhatTheReceiverWouldReject() {
    QVERIFY(!EncodeHandOver(THandOver{"", {"a\tb"}}));
    QVERIFY(!EncodeHandOver(THandOver{"", {std::string(kMaxHandOverBytes, 'a')}}));
    QVERIFY(EncodeHandOver(THandOver{"", {std::string(kMaxHandOverBytes - 64, 'a')}}));
  }
};

}  // namespace tidewick

QTEST_GUILESS_MAIN(tidewick::HandOverMessageTest)
#include "hand_over_message_test.moc"
