#pragma once
// One result cut from an engine's result page: the link unwrapped from the engine's click-through address
// and resolved against the page's address, the title as the page shows it and, when the layout names
// one, the snippet.

#include <QString>

struct EngineHit {
    QString link;
    QString title;
    QString snippet;
    // The document type the engine vouches for ("pdf" for a paper's PDF address), used when the link
    // itself does not name one; empty for page hits.
    QString type;
};
