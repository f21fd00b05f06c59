#pragma once
// The classic layout of an engine's result page, read from the "classic" object of its definition: the
// key triples that cut result blocks, links and titles out of the page text, and the named link repairs,
// filters, type gates and title rules that the classic parsers apply to what they cut. Plain values.

#include <QJsonObject>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <optional>

// An up, a left and a right key for the key matcher; `setting` names the Setting.ini key group
// ("<setting>UpKey", ...) that may replace them.
struct ClassicKeys {
    QString up;
    QString left;
    QString right;
    QString setting;
};

struct ClassicLayout {
    // How the page is walked: block by block with the steps below, or one of the 63da walks (a document
    // page lists one document per block; a search page lists document pages, which are queued instead of
    // added).
    enum class Walk { Blocks, Documents63, Search63 };
    // What happens to a link that names no wanted document type.
    enum class Untyped { Keep, Drop, CutParameter };

    Walk walk = Walk::Blocks;
    ClassicKeys block;
    ClassicKeys link;
    ClassicKeys title;

    QString linkPrefix;                          // put before the cut link, before resolving
    bool resolve = false;                        // resolve against the page's address
    QList<QPair<QString, QString>> linkReplace;  // after resolving, in order
    bool urlFilter = false;                      // the user's URL filter drops the link
    Untyped untyped = Untyped::Keep;
    ClassicKeys untypedCut;  // CutParameter: the keys that cut the real link out of the untyped one

    std::optional<ClassicKeys> titleRetry;  // cut from the block when the title is empty; no up key = the
                                            // title's up key
    QStringList titleRefuse;                // a raw title containing one of these drops the hit
    bool titleRequired = false;             // an empty cleaned title drops the hit
    QStringList titleFromLinkWhen;  // a cleaned title containing one of these becomes the link's last segment
    QList<ClassicKeys>
        typeFromBlock;  // when the link names no type: cut from the block, first non-empty wins

    // Reads a definition's "classic" object. Nothing when it is wrong; *error then says what and where
    // ("classic.link.left: expected a string").
    static std::optional<ClassicLayout> Read(const QJsonObject& classic, QString* error);
};
