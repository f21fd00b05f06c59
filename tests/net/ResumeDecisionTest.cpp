#include <gtest/gtest.h>

#include "net/ResumeDecision.h"

// Kept: 50000 bytes of version "v1" (or of the date D), asked for the rest.
TEST(ResumeDecision, OnlyTheRestOfTheSameVersionIsAppended) {
    using A = ResumeDecision::Action;
    const char* d = "Wed, 21 Oct 2015 07:28:00 GMT";
    const struct {
        long status;
        const char *range, *etag, *date, *sent;
        A action;
        qint64 end;
    } rows[] = {
        {206, "bytes 50000-99999/100000", "\"v1\"", "", "\"v1\"", A::Append, 100000},
        {206, "bytes 50000-59999/100000", "\"v1\"", "", "\"v1\"", A::Append, 60000},
        {206, "bytes 50000-99999/100000", "\"v2\"", d, d, A::Append, 100000},
        {416, "bytes */50000", "\"v1\"", "", "\"v1\"", A::Complete, -1},
        {200, "", "\"v9\"", "", "\"v1\"", A::Replace, -1},
        {206, "bytes 50000-99999/100000", "\"v2\"", "", "\"v1\"", A::StartOver, -1},
        {206, "bytes 50000-99999/100000", "W/\"v1\"", "", "W/\"v1\"", A::StartOver, -1},
        {206, "bytes 50000-99999/100000", "", "Thu, 22 Oct 2015 07:28:00 GMT", d, A::StartOver, -1},
        {416, "bytes */50000", "\"v2\"", "", "\"v1\"", A::StartOver, -1},
        {416, "bytes */60000", "\"v1\"", "", "\"v1\"", A::StartOver, -1},
        {206, "bytes 49000-99999/100000", "\"v1\"", "", "\"v1\"", A::StartOver, -1},
        {206, "bytes 50000-99999/*", "\"v1\"", "", "\"v1\"", A::StartOver, -1},
        {206, "bytes 50000-100000/100000", "\"v1\"", "", "\"v1\"", A::StartOver, -1},
        {206, "bytes 50000-99999/9999999999999999999999", "\"v1\"", "", "\"v1\"", A::StartOver, -1},
        {206, "", "\"v1\"", "", "\"v1\"", A::StartOver, -1},
        {404, "", "\"v1\"", "", "\"v1\"", A::Refuse, -1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message()
                     << row.status << " " << row.range << " " << row.etag << " " << row.sent);
        const auto verdict =
            ResumeDecision::Judge({row.status, row.range, row.etag, row.date}, row.sent, 50000);
        EXPECT_EQ(verdict.action, row.action);
        if (row.end >= 0) {
            EXPECT_EQ(verdict.end, row.end);
        }
    }
}

// The first answer announced 100000 bytes; a later one under the same tag names another size.
TEST(ResumeDecision, AKnownTotalMustBeTheSizeNamedLater) {
    using A = ResumeDecision::Action;
    const struct {
        long status;
        const char* range;
        qint64 known;
        A action;
    } rows[] = {
        {416, "bytes */50000", 100000, A::StartOver}, {416, "bytes */50000", 50000, A::Complete},
        {416, "bytes */50000", -1, A::Complete},      {206, "bytes 50000-100499/100500", 100000, A::StartOver},
        {206, "bytes 50000-99999/100000", 100000, A::Append},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.status << " " << row.range << " " << row.known);
        EXPECT_EQ(ResumeDecision::Judge({row.status, row.range, "\"v1\"", ""}, "\"v1\"", 50000, row.known).action,
                  row.action);
    }
}
