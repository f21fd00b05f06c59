#include <gtest/gtest.h>

#include "net/ResumeDecision.h"

namespace {

using Action = ResumeDecision::Action;

struct Row {
    long status;
    const char* contentRange;
    const char* etag;
    const char* lastModified;
    const char* sent;
    qint64 kept;
    Action action;
    qint64 end = -1;
    qint64 total = -1;
};

const char* kDate = "Wed, 21 Oct 2015 07:28:00 GMT";

}  // namespace

TEST(ResumeDecision, OnlyTheRestOfTheSameVersionIsAppended) {
    const Row rows[] = {
        {206, "bytes 50000-99999/100000", "\"v1\"", "", "\"v1\"", 50000, Action::Append, 100000, 100000},
        {206, "bytes 50000-59999/100000", "\"v1\"", "", "\"v1\"", 50000, Action::Append, 60000, 100000},
        // The date validates when it was the one sent, whatever tag comes with it now.
        {206, "bytes 10-19/20", "\"new\"", kDate, kDate, 10, Action::Append, 20, 20},
        {416, "bytes */50000", "\"v1\"", "", "\"v1\"", 50000, Action::Complete, -1, 50000},
        {200, "", "\"v9\"", "", "\"v1\"", 50000, Action::Replace},
        {200, "", "", "", "", 0, Action::Replace},
        // Another version: a new tag, a weak tag, none at all, another date.
        {206, "bytes 50000-99999/100000", "\"v2\"", "", "\"v1\"", 50000, Action::StartOver},
        {206, "bytes 50000-99999/100000", "W/\"v1\"", "", "W/\"v1\"", 50000, Action::StartOver},
        {206, "bytes 50000-99999/100000", "", "", "\"v1\"", 50000, Action::StartOver},
        {206, "bytes 10-19/20", "", "Thu, 22 Oct 2015 07:28:00 GMT", kDate, 10, Action::StartOver},
        {416, "bytes */50000", "\"v2\"", "", "\"v1\"", 50000, Action::StartOver},
        // Not where the file ends, not to a known end, not a range at all.
        {206, "bytes 49000-99999/100000", "\"v1\"", "", "\"v1\"", 50000, Action::StartOver},
        {206, "bytes 50000-99999/*", "\"v1\"", "", "\"v1\"", 50000, Action::StartOver},
        {206, "bytes 50000-100000/100000", "\"v1\"", "", "\"v1\"", 50000, Action::StartOver},
        {206, "bytes 50000-49999/100000", "\"v1\"", "", "\"v1\"", 50000, Action::StartOver},
        {206, "", "\"v1\"", "", "\"v1\"", 50000, Action::StartOver},
        {206, "bytes 50000-99999/999999999999999999999", "\"v1\"", "", "\"v1\"", 50000, Action::StartOver},
        {206, "bytes -50000-99999/100000", "\"v1\"", "", "\"v1\"", 50000, Action::StartOver},
        {206, "items 50000-99999/100000", "\"v1\"", "", "\"v1\"", 50000, Action::StartOver},
        {416, "bytes */60000", "\"v1\"", "", "\"v1\"", 50000, Action::StartOver},
        {416, "bytes */*", "\"v1\"", "", "\"v1\"", 50000, Action::StartOver},
        {416, "bytes 0-49999/50000", "\"v1\"", "", "\"v1\"", 50000, Action::StartOver},
        // Nothing asked for, or another status.
        {206, "bytes 0-99/100", "\"v1\"", "", "\"v1\"", 0, Action::Refuse},
        {404, "", "\"v1\"", "", "\"v1\"", 50000, Action::Refuse},
        {204, "bytes 50000-99999/100000", "\"v1\"", "", "\"v1\"", 50000, Action::Refuse},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.status << " " << row.contentRange << " " << row.etag << " sent "
                                        << row.sent << " kept " << row.kept);
        const auto verdict =
            ResumeDecision::Judge({row.status, row.contentRange, row.etag, row.lastModified}, row.sent, row.kept);
        EXPECT_EQ(verdict.action, row.action);
        if (row.action == Action::Append || row.action == Action::Complete) {
            EXPECT_EQ(verdict.end, row.end);
            EXPECT_EQ(verdict.total, row.total);
        }
    }
}
