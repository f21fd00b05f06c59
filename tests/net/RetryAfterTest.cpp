#include <gtest/gtest.h>

#include <QTimeZone>

#include "net/RetryAfter.h"

namespace {

const QDateTime kNow(QDate(2026, 12, 7), QTime(15, 0, 0), QTimeZone::utc());

int Seconds(const QByteArray& value) {
    return RetryAfter::Seconds(value, kNow);
}

}  // namespace

TEST(RetryAfter, SecondsAndDatesWithinBounds) {
    EXPECT_EQ(Seconds("2"), 2);
    EXPECT_EQ(Seconds("  120 "), 120);
    EXPECT_EQ(Seconds("0"), RetryAfter::kMinSeconds);  // never a tight loop against the server
    EXPECT_EQ(Seconds("86400"), RetryAfter::kMaxSeconds);
    EXPECT_EQ(Seconds("99999999999999999999999999999"), RetryAfter::kMaxSeconds);
    // The three date forms, 90 s ahead.
    EXPECT_EQ(Seconds("Mon, 07 Dec 2026 15:01:30 GMT"), 90);
    EXPECT_EQ(Seconds("Monday, 07-Dec-26 15:01:30 GMT"), 90);
    EXPECT_EQ(Seconds("Mon Dec  7 15:01:30 2026"), 90);
    EXPECT_EQ(Seconds("Mon, 07 Dec 2026 14:00:00 GMT"), RetryAfter::kMinSeconds);  // already past
    EXPECT_EQ(Seconds("Fri, 07 Dec 2125 15:00:00 GMT"), RetryAfter::kMaxSeconds);
}

TEST(RetryAfter, UnusableValuesGiveTheDefault) {
    for (const QByteArray& value :
         {QByteArray(), QByteArray("soon"), QByteArray("-5"), QByteArray("1.5"), QByteArray("2, 3"),
          QByteArray("Mon, 32 Dec 2026 15:01:30 GMT"), QByteArray("\x00\xff\x01", 3), QByteArray(100000, '7'),
          QByteArray(100000, 'x')}) {
        EXPECT_EQ(Seconds(value), RetryAfter::kDefaultSeconds) << value.left(40).toStdString();
    }
}
