#pragma once
// The host a download row is counted against: its per-host queue, its cap and its rests.

#include <QString>

class HostName {
  public:
    // The lower-cased host name of an http(s) address, without user, port or brackets; empty when the
    // address has none.
    static QString Of(const QString& address);
};
