#pragma once
// How long a server that answered 429 or 503 wants us to wait: its Retry-After header, either seconds
// or an HTTP date, bounded so that a hostile or broken value neither hammers the server nor parks the
// downloads for days.

#include <QByteArray>
#include <QDateTime>

class RetryAfter {
  public:
    static constexpr int kDefaultSeconds = 30;  // no usable header
    static constexpr int kMinSeconds = 1;       // "0" or a date already past
    static constexpr int kMaxSeconds = 600;

    // Seconds to wait, from the header value as sent (empty when absent), `now` being the current time.
    static int Seconds(const QByteArray& value, const QDateTime& now);
};
