// A CIM datetime: either a point in time (with the UTC offset it was written
// in) or an interval, convertible to and from the 25-character CIM text form
//   yyyymmddhhmmss.mmmmmmsutc   (timestamp, s is '+' or '-', utc in minutes)
//   ddddddddhhmmss.mmmmmm:000   (interval)
// and to and from microseconds (since 1970-01-01 00:00 UTC, or the length).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ovx::host {

class CimDateTime {
  public:
    static constexpr std::size_t kTextLength = 25;

    // The Unix epoch as a timestamp.
    CimDateTime() = default;

    // Throws CimError(CMPI_RC_ERR_INVALID_PARAMETER) naming the position (from 0) of
    // the first bad character. Wildcard ('*') fields are not accepted.
    static CimDateTime parse(std::string_view text);
    static bool isValidText(std::string_view text) noexcept;

    // Timestamps are written in UTC (offset +000). Throws
    // CimError(CMPI_RC_ERR_INVALID_PARAMETER) beyond year 9999 or beyond
    // 99999999 days of interval.
    static CimDateTime fromMicroseconds(std::uint64_t microseconds, bool interval);
    static CimDateTime now();

    bool isInterval() const noexcept { return interval_; }
    // Since the epoch in UTC (negative before 1970), or the interval length.
    std::int64_t microseconds() const noexcept { return microseconds_; }
    // Minutes east of UTC the timestamp was written in; 0 for intervals.
    int utcOffsetMinutes() const noexcept { return offsetMinutes_; }

    std::string toString() const;

    friend bool operator==(const CimDateTime& left, const CimDateTime& right) noexcept {
        return left.interval_ == right.interval_ && left.microseconds_ == right.microseconds_ &&
               left.offsetMinutes_ == right.offsetMinutes_;
    }
    friend bool operator!=(const CimDateTime& left, const CimDateTime& right) noexcept {
        return !(left == right);
    }

  private:
    CimDateTime(std::int64_t microseconds, int offsetMinutes, bool interval)
        : microseconds_(microseconds), offsetMinutes_(offsetMinutes), interval_(interval) {}

    std::int64_t microseconds_ = 0;
    int offsetMinutes_ = 0;
    bool interval_ = false;
};

}  // namespace ovx::host
