#pragma once
// Which daemon takes which host: all rows of one host go to one daemon (so a site sees one downloader,
// whose own per-server limits then hold), and hosts are dealt out by row count, the biggest first, each
// to the daemon with the fewest rows so far. Pure and callable from any thread.

#include <QHash>
#include <QList>
#include <QString>
#include <utility>

class HostSpread {
  public:
    // The host of a link as the spread counts it: the name in lower case, without port; "" for a link
    // without one.
    static QString HostOf(const QString& link);

    // `hosts` are (host, rows) in the order first met; `loads` holds the rows each daemon already has, and
    // -1 for a daemon that takes nothing. Gives each host its daemon and adds its rows to `loads`; an empty
    // map when no daemon takes anything. Ties go to the host met first and to the daemon listed first.
    static QHash<QString, int> Spread(const QList<std::pair<QString, qsizetype>>& hosts,
                                      QList<qsizetype>& loads);
};
