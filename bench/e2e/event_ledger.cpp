#include "bench/e2e/event_ledger.h"

#include <QMetaEnum>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "bench/e2e/e2e_support.h"

namespace vesper::bench {

bool LedgerApplication::notify(QObject *receiver, QEvent *event)
{
    if (!recording || m_depth > 0)
        return QApplication::notify(receiver, event);
    ++m_depth;
    const double t0 = nowSeconds();
    const bool result = QApplication::notify(receiver, event);
    const double ms = (nowSeconds() - t0) * 1000;
    --m_depth;
    std::string kind = receiver ? receiver->metaObject()->className() : "?";
    kind += '/';
    const char *type = QMetaEnum::fromType<QEvent::Type>().valueToKey(event->type());
    kind += type ? type : std::to_string(int(event->type()));
    Entry &e = entries[kind];
    ++e.count;
    e.totalMs += ms;
    e.maxMs = std::max(e.maxMs, ms);
    return result;
}

void LedgerApplication::print(double minTotalMs) const
{
    std::vector<std::pair<std::string, Entry>> sorted(entries.begin(), entries.end());
    std::sort(sorted.begin(), sorted.end(), [](const auto &a, const auto &b) { return a.second.totalMs > b.second.totalMs; });
    for (const auto &[kind, e] : sorted)
        if (e.totalMs >= minTotalMs)
            std::printf("ledger %-48s count=%-7ld total_ms=%-9.1f mean_ms=%-7.3f max_ms=%.1f\n", kind.c_str(), e.count,
                        e.totalMs, e.totalMs / double(e.count), e.maxMs);
}

} // namespace vesper::bench
