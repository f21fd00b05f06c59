#pragma once
// Turns an engine's click-through address (Google's /url?q=, DuckDuckGo's uddg=, Yahoo's RU=, Bing's
// base64url u=a1...) into the address it leads to. Pure functions; any thread.

#include <QString>

#include "engines/EngineDefinition.h"

// The address `link` stands for under `rule`, or "" when the rule does not apply to it. Attribute rules
// are applied by the layout reader, which has the page; here they never apply.
QString UnwrapLink(const UnwrapRule& rule, const QString& link);
