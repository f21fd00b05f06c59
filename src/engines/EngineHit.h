#pragma once
// One result cut from an engine's result page: the link unwrapped from the engine's click-through address
// and resolved against the page's address, and the title as the page shows it.

#include <QString>

struct EngineHit {
    QString link;
    QString title;
};
