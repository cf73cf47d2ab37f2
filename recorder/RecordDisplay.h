// The texts the recorder shows while it records: elapsed time as "mm:ss" (minutes not wrapped
// into hours) and the recorded size in kilobytes.
#pragma once

#include <QString>
#include <cstdint>

namespace tonalix::recorder {

// Whole seconds: "00:59", "01:00", "100:00".
QString FormatRecordTime(std::int64_t seconds);
// Bytes as kilobytes with two decimals and nothing before the point below one: ".50 kb", "2.00 kb".
QString FormatRecordSize(std::uint64_t bytes);

}  // namespace tonalix::recorder
