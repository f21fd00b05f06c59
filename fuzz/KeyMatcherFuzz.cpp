// The key matcher over a page and keys of any content. The input's first four lines are the up, left,
// right and down keys, the rest is the page. Walking the blocks by offset must give the same blocks as
// feeding each leftover back in, and every walk must end.

#include "FuzzSupport.h"
#include "lists/TextCodec.h"
#include "search/KeyFinder.h"
#include "search/KeyMatcher.h"

namespace {

void SetKeys(KeyMatcher& matcher, const QString keys[4]) {
    matcher.SetAttr("upkey", keys[0]);
    matcher.SetAttr("leftkey", keys[1]);
    matcher.SetAttr("rightkey", keys[2]);
    matcher.SetAttr("downkey", keys[3]);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QByteArray bytes = fuzz::Bytes(data, size);
    QString keys[4];
    for (QString& key : keys) key = TextCodec::DecodeLine(fuzz::TakeLine(bytes));
    const QString page = TextCodec::Decode(bytes);

    // Comparing against the copying walk costs a copy of the rest per block: the first blocks show any
    // difference.
    constexpr int kCompared = 64;
    KeyMatcher byOffset;
    byOffset.SetAttr("orcontent", page);
    SetKeys(byOffset, keys);
    KeyMatcher byCopy;
    byCopy.SetAttr("orcontent", page);
    SetKeys(byCopy, keys);
    qsizetype lastOffset = -1;
    for (int block = 0;; ++block) {
        const bool found = byOffset.Run();
        if (block < kCompared) {
            const bool copyFound = byCopy.Run();
            fuzz::Require(found == copyFound, "both walks find a block or neither does");
            fuzz::Require(byOffset.GetContent() == byCopy.GetContent(), "both walks cut the same block");
            const QString left = byCopy.Text("contentleft");
            fuzz::Require(byOffset.Text("contentleft") == left, "both walks leave the same rest");
            byCopy.SetAttr("orcontent", left);
        }
        if (!found) break;
        const qsizetype offset = byOffset.ContentLeftOffset();
        fuzz::Require(offset > lastOffset && offset <= page.size(), "each block moves the walk on");
        lastOffset = offset;
        byOffset.SetAttr("startoffset", double(offset));
    }

    // The occurrence finder with the left key, any count and any start, as the attributes carry them.
    KeyFinder position;
    position.SetAttr("orcontent", page);
    position.SetAttr("key", keys[1]);
    position.SetAttr("num", double(keys[0].size() % 5));
    position.SetAttr("offset", double(keys[3].size()) - 2);
    if (position.Run()) {
        const qsizetype at = position.GetAttr("pos").AsInt();
        fuzz::Require(at >= 0 && page.mid(at, keys[1].size()) == keys[1], "the position names an occurrence");
    }
    return 0;
}
