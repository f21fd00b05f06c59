#pragma once
// Cuts the text between `leftkey` and `rightkey` out of `orcontent` (after an optional `upkey`, with an
// optional `downkey` that must not come before the right key) into `content`, and the rest after the
// right key into `contentleft`.
//
// Walking a page block by block: instead of feeding `contentleft` back as the next `orcontent` (a copy
// of the rest of the page for every block), set `startoffset` to ContentLeftOffset(): the search then
// starts there in the same text and the results are the same. `contentleft` is only built when read.

#include "search/MatchBlock.h"

class KeyMatcher : public MatchBlock {
  public:
    KeyMatcher();
    bool Run() override;
    QString GetContent() override { return Text(QStringLiteral("content")); }
    BlockValue GetAttr(const QString& name) override;

    // Where `contentleft` starts in `orcontent` after the last Run.
    qsizetype ContentLeftOffset() const { return leftStart_; }

  private:
    QString source_;           // the `orcontent` of the last Run
    qsizetype leftStart_ = 0;  // `contentleft` = source_ from here (source_.size(): empty)
    bool leftPending_ = false;
};
