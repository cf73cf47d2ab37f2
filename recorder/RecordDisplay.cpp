#include "recorder/RecordDisplay.h"

namespace tonalix::recorder {

QString FormatRecordTime(std::int64_t seconds) {
  if (seconds < 0) seconds = 0;
  const auto two = [](std::int64_t v) { return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')); };
  if (seconds >= 60) return two(seconds / 60) + QLatin1Char(':') + two(seconds % 60);
  return QStringLiteral("00:") + two(seconds);
}

QString FormatRecordSize(std::uint64_t bytes) {
  QString text = QString::number(static_cast<double>(bytes) / 1024.0, 'f', 2);
  if (text.startsWith(QStringLiteral("0."))) text.remove(0, 1);
  return text + QStringLiteral(" kb");
}

}  // namespace tonalix::recorder
