#pragma once
// The hosts a catalogue's engines answer on, for the cheap half of routing an address: an address whose
// host is plainly written and is none of them belongs to no engine, so EngineCatalog::ForUrl (an address
// parse and a walk over every engine's patterns) is asked only about the others. The deep search asks
// this for every page it fetches. Built once per catalogue; read-only afterwards, any thread.

#include <QSet>
#include <QString>

class EngineCatalog;

class EngineHostSet {
  public:
    explicit EngineHostSet(const EngineCatalog& catalogue);
    // False only when no engine of the catalogue can own the address.
    bool MayBeEngine(const QString& url) const;

  private:
    QSet<QString> hosts_;  // lower case
};
