#include "ovx/host/datetime.h"

#include "ovx/host/cim_error.h"

#include <chrono>
#include <cstdio>

namespace ovx::host {

namespace {

constexpr std::int64_t kMicrosPerSecond = 1000000;
constexpr std::int64_t kMicrosPerMinute = 60 * kMicrosPerSecond;
constexpr std::int64_t kMicrosPerHour = 60 * kMicrosPerMinute;
constexpr std::int64_t kMicrosPerDay = 24 * kMicrosPerHour;
constexpr std::int64_t kMaxIntervalDays = 99999999;

// Days between 1970-01-01 and the given date of the proleptic Gregorian
// calendar, counting in 400-year eras of 146097 days each.
std::int64_t daysFromCivil(std::int64_t year, int month, int day) {
    const std::int64_t shiftedYear = month <= 2 ? year - 1 : year;
    const std::int64_t era = (shiftedYear >= 0 ? shiftedYear : shiftedYear - 399) / 400;
    const std::int64_t yearOfEra = shiftedYear - era * 400;
    const int monthFromMarch = month > 2 ? month - 3 : month + 9;
    const std::int64_t dayOfYear = (153 * monthFromMarch + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

struct CivilDate {
    std::int64_t year;
    int month;
    int day;
};

CivilDate civilFromDays(std::int64_t days) {
    const std::int64_t shifted = days + 719468;
    const std::int64_t era = (shifted >= 0 ? shifted : shifted - 146096) / 146097;
    const std::int64_t dayOfEra = shifted - era * 146097;
    const std::int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t monthFromMarch = (5 * dayOfYear + 2) / 153;
    const int day = static_cast<int>(dayOfYear - (153 * monthFromMarch + 2) / 5 + 1);
    const int month =
        static_cast<int>(monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9);
    const std::int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
    return {year, month, day};
}

bool isLeapYear(std::int64_t year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysInMonth(std::int64_t year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : kDays[month - 1];
}

// First microsecond after 9999-12-31 23:59:59.999999 UTC.
const std::int64_t kEndOfYear9999 = daysFromCivil(10000, 1, 1) * kMicrosPerDay;

[[noreturn]] void reject(std::string_view text, std::size_t position, const char* reason) {
    throw CimError(CMPI_RC_ERR_INVALID_PARAMETER, "invalid CIM datetime \"" + std::string(text) +
                                                      "\": " + reason + " at position " +
                                                      std::to_string(position));
}

// Reads the digits text[from, from + count) as a number, or rejects the text.
std::int64_t digitsAt(std::string_view text, std::size_t from, std::size_t count) {
    std::int64_t number = 0;
    for (std::size_t i = from; i < from + count; ++i) {
        const char c = text[i];
        if (c < '0' || c > '9') {
            reject(text, i, c == '*' ? "wildcard fields are not supported" : "expected a digit");
        }
        number = number * 10 + (c - '0');
    }
    return number;
}

void expectChar(std::string_view text, std::size_t position, char expected) {
    if (text[position] != expected) {
        const std::string reason = std::string("expected '") + expected + "'";
        reject(text, position, reason.c_str());
    }
}

void checkRange(std::string_view text, std::size_t position, std::int64_t value, std::int64_t low,
                std::int64_t high, const char* field) {
    if (value < low || value > high) {
        const std::string reason = std::string(field) + " out of range";
        reject(text, position, reason.c_str());
    }
}

// hhmmss.mmmmmm starting at `from`, as microseconds.
std::int64_t timeOfDayAt(std::string_view text, std::size_t from) {
    const std::int64_t hours = digitsAt(text, from, 2);
    checkRange(text, from, hours, 0, 23, "hours");
    const std::int64_t minutes = digitsAt(text, from + 2, 2);
    checkRange(text, from + 2, minutes, 0, 59, "minutes");
    const std::int64_t seconds = digitsAt(text, from + 4, 2);
    checkRange(text, from + 4, seconds, 0, 59, "seconds");
    expectChar(text, from + 6, '.');
    const std::int64_t micros = digitsAt(text, from + 7, 6);
    return hours * kMicrosPerHour + minutes * kMicrosPerMinute + seconds * kMicrosPerSecond +
           micros;
}

// Splits a non-negative microsecond count within a day into hh, mm, ss, µs.
void formatTimeOfDay(char* out, std::size_t size, std::int64_t micros) {
    std::snprintf(out, size, "%02lld%02lld%02lld.%06lld",
                  static_cast<long long>(micros / kMicrosPerHour),
                  static_cast<long long>(micros / kMicrosPerMinute % 60),
                  static_cast<long long>(micros / kMicrosPerSecond % 60),
                  static_cast<long long>(micros % kMicrosPerSecond));
}

// Floor division, so that times before 1970 land on the right day.
std::int64_t floorDiv(std::int64_t value, std::int64_t divisor) {
    const std::int64_t quotient = value / divisor;
    return (value % divisor != 0 && value < 0) ? quotient - 1 : quotient;
}

}  // namespace

CimDateTime CimDateTime::parse(std::string_view text) {
    if (text.size() != kTextLength) {
        throw CimError(CMPI_RC_ERR_INVALID_PARAMETER,
                       "invalid CIM datetime \"" + std::string(text) + "\": expected " +
                           std::to_string(kTextLength) + " characters, got " +
                           std::to_string(text.size()));
    }
    if (text[21] == ':') {
        const std::int64_t days = digitsAt(text, 0, 8);
        const std::int64_t timeOfDay = timeOfDayAt(text, 8);
        if (digitsAt(text, 22, 3) != 0) {
            reject(text, 22, "an interval ends in \":000\"");
        }
        return CimDateTime(days * kMicrosPerDay + timeOfDay, 0, true);
    }
    const std::int64_t year = digitsAt(text, 0, 4);
    const std::int64_t month = digitsAt(text, 4, 2);
    checkRange(text, 4, month, 1, 12, "month");
    const std::int64_t day = digitsAt(text, 6, 2);
    checkRange(text, 6, day, 1, daysInMonth(year, static_cast<int>(month)), "day");
    const std::int64_t timeOfDay = timeOfDayAt(text, 8);
    const char sign = text[21];
    if (sign != '+' && sign != '-') {
        reject(text, 21, "expected '+', '-' or ':'");
    }
    const std::int64_t offset = digitsAt(text, 22, 3);
    const int offsetMinutes = static_cast<int>(sign == '-' ? -offset : offset);
    const std::int64_t local =
        daysFromCivil(year, static_cast<int>(month), static_cast<int>(day)) * kMicrosPerDay +
        timeOfDay;
    return CimDateTime(local - offsetMinutes * kMicrosPerMinute, offsetMinutes, false);
}

bool CimDateTime::isValidText(std::string_view text) noexcept {
    try {
        parse(text);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

CimDateTime CimDateTime::fromMicroseconds(std::uint64_t microseconds, bool interval) {
    const std::uint64_t limit =
        interval ? static_cast<std::uint64_t>((kMaxIntervalDays + 1) * kMicrosPerDay)
                 : static_cast<std::uint64_t>(kEndOfYear9999);
    if (microseconds >= limit) {
        throw CimError(CMPI_RC_ERR_INVALID_PARAMETER,
                       std::to_string(microseconds) + " microseconds lie beyond the largest " +
                           (interval ? "CIM interval (99999999 days)" : "CIM date (year 9999)"));
    }
    return CimDateTime(static_cast<std::int64_t>(microseconds), 0, interval);
}

CimDateTime CimDateTime::now() {
    using namespace std::chrono;
    const auto sinceEpoch = system_clock::now().time_since_epoch();
    return CimDateTime(duration_cast<std::chrono::microseconds>(sinceEpoch).count(), 0, false);
}

std::string CimDateTime::toString() const {
    char timeOfDay[64];
    char text[128];
    if (interval_) {
        formatTimeOfDay(timeOfDay, sizeof timeOfDay, microseconds_ % kMicrosPerDay);
        std::snprintf(text, sizeof text, "%08lld%s:000",
                      static_cast<long long>(microseconds_ / kMicrosPerDay), timeOfDay);
        return text;
    }
    const std::int64_t local = microseconds_ + offsetMinutes_ * kMicrosPerMinute;
    const std::int64_t days = floorDiv(local, kMicrosPerDay);
    const CivilDate date = civilFromDays(days);
    formatTimeOfDay(timeOfDay, sizeof timeOfDay, local - days * kMicrosPerDay);
    const int offset = offsetMinutes_ < 0 ? -offsetMinutes_ : offsetMinutes_;
    std::snprintf(text, sizeof text, "%04lld%02d%02d%s%c%03d", static_cast<long long>(date.year),
                  date.month, date.day, timeOfDay, offsetMinutes_ < 0 ? '-' : '+', offset);
    return text;
}

}  // namespace ovx::host
