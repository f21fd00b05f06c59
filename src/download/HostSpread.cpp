#include "download/HostSpread.h"

#include <QUrl>
#include <algorithm>

QString HostSpread::HostOf(const QString& link) {
    return QUrl(link).host().toLower();
}

QHash<QString, int> HostSpread::Spread(const QList<std::pair<QString, qsizetype>>& hosts,
                                       QList<qsizetype>& loads) {
    QHash<QString, int> daemonOf;
    if (std::none_of(loads.cbegin(), loads.cend(), [](qsizetype load) { return load >= 0; })) return daemonOf;
    QList<qsizetype> order(hosts.size());
    for (qsizetype i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](qsizetype a, qsizetype b) { return hosts[a].second > hosts[b].second; });
    for (const qsizetype i : order) {
        int lightest = -1;
        for (int d = 0; d < loads.size(); ++d) {
            if (loads[d] >= 0 && (lightest < 0 || loads[d] < loads[lightest])) lightest = d;
        }
        daemonOf.insert(hosts[i].first, lightest);
        loads[lightest] += hosts[i].second;
    }
    return daemonOf;
}
