#pragma once
// Asks a server how large a file is without downloading it: a GET whose body is never read. Quick by
// design (the search job asks once per hit): the connection must stand within 200 ms and the answer's
// headers arrive within 450 ms, or the size is unknown. Runs on the caller's thread.

#include <QString>

class RemoteSizeProbe {
  public:
    static constexpr long kConnectBoundMs = 200;
    static constexpr long kAnswerBoundMs = 450;

    // The Content-Length of a 200 answer; 0 when unknown (any failure, another status, no length).
    qint64 Size(const QString& address);
};
