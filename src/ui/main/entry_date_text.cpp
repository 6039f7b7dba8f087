#include "ui/main/entry_date_text.h"

#include <QDateTime>
#include <QLocale>

namespace tidewick {
namespace {

// The locale's long time format without its zone name ("t"), which would only repeat the local zone.
QString LongTimeFormatWithoutZone() {
  QString format = QLocale().timeFormat(QLocale::LongFormat);
  format.remove(QLatin1Char('t'));
  return format.trimmed();
}

QString DateAndTimeText(const QDate& date, const QTime& time) {
  return QLocale().toString(date, QLocale::ShortFormat) + QLatin1Char(' ') +
         QLocale().toString(time, LongTimeFormatWithoutZone());
}

}  // namespace

QString EntryDateText(TDateTime utc) {
  if (utc == 0)
    return {};
  const TDateTimeParts parts = DecodeDateTime(UtcToLocal(utc));
  const QDate date(parts.Year, parts.Month, parts.Day);
  if (parts.Hour == 0 && parts.Minute == 0 && parts.Second == 0)
    return QLocale().toString(date, QLocale::ShortFormat);
  return DateAndTimeText(date, QTime(parts.Hour, parts.Minute, parts.Second));
}

QString WideEntryDateSample() {
  return DateAndTimeText(QDate(2026, 12, 28), QTime(23, 58, 58));
}

}  // namespace tidewick
