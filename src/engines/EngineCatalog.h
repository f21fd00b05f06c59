#pragma once
// Every engine definition the program knows: the built-in ones (JSON files in the Qt resource :/engines/)
// with the user's config/engines.json laid over them by id. Immutable once loaded; share it between threads
// as shared_ptr<const EngineCatalog>.

#include <memory>

#include <QByteArray>
#include <QList>
#include <QString>

#include "engines/EngineDefinition.h"

class EngineCatalog {
  public:
    // The built-ins with the user's file of homeDir laid over them. A user file that cannot be used is
    // ignored as a whole; *userFileError (when given) then says why, else it is cleared.
    static std::shared_ptr<const EngineCatalog> Load(const QString& homeDir, QString* userFileError);
    static std::shared_ptr<const EngineCatalog> BuiltIn();

    // Validates a definitions file (the user file's format); "" when good, else the first error and its
    // place.
    static QString Check(const QByteArray& json);

    const QList<EngineDefinition>& Engines() const { return engines_; }
    const EngineDefinition* Find(const QString& id) const;
    const EngineDefinition* ForUrl(const QString& url) const;  // the engine that serves a result page

  private:
    QList<EngineDefinition> engines_;
};
